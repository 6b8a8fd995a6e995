insert into stock(sku, qty, note) values ('A-1', 3, 'select from where'), ('B-2', 0, null) -- RET marker word
