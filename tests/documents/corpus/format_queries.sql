-- Queries for the formatter's property test, written against the demo database. Each one follows a
-- line "-- @query <targets>": all, or pg, my, lite joined by "+".
-- @query all
select customer_id, company_name, city from customers where country = 'Germany' order by customer_id
-- @query all
SELECT c.company_name, count(*) AS n FROM customers c JOIN orders o ON o.customer_id = c.customer_id GROUP BY c.company_name HAVING count(*) > 10 ORDER BY n DESC, c.company_name
-- @query all
select * from products where unit_price between 5 and 10 and category in ('Food', 'Dessert') order by product_id
-- @query all
select product_name, unit_price*2 as doubled, unit_price/2 as halved, unit_price-1 as less, -unit_price as neg from products order by 1
-- @query all
select order_id, freight from orders where freight>=50 and freight<=60 or freight<>freight order by order_id
-- @query all
select count(*) from orders where shipped_at is null
-- @query all
select count(*) from orders where not (shipped_at is not null)
-- @query all
select distinct country from customers order by country
-- @query all
select city, country from customers where contact_name is null and city like 'B%' order by 1, 2
-- @query all
select min(order_date), max(order_date), avg(freight) > 0 from orders
-- @query all
select sum(freight) from orders o, products p where o.order_id = p.product_id
-- @query all
SELECT company_name FROM customers WHERE company_name LIKE '%''%' ORDER BY 1
-- @query all
select 'a  ,  from  where' as text, 'it''s -- no comment' as t2, '/* not a comment */' as t3 from customers where customer_id = 1
-- @query all
select customer_id from customers where email like '%@example.com' and customer_id < 20 order by customer_id
-- @query all
select order_id
from orders
where order_id in (select order_id from orders where freight > 100)
order by order_id
-- @query all
select c.city, (select count(*) from orders o where o.customer_id = c.customer_id) as orders_count
from customers c
where exists (select 1 from orders o where o.customer_id = c.customer_id)
order by 2 desc, 1
-- @query all
SELECT CASE WHEN freight < 10 THEN 'low' WHEN freight < 50 THEN 'mid' ELSE 'high' END AS band, COUNT(*) FROM orders GROUP BY CASE WHEN freight < 10 THEN 'low' WHEN freight < 50 THEN 'mid' ELSE 'high' END ORDER BY 1
-- @query all
select coalesce(contact_name, 'nobody') as contact, nullif(city, 'Berlin') as c from customers order by customer_id
-- @query all
select o.order_id, c.company_name from orders o left join customers c on c.customer_id = o.customer_id where o.order_id <= 5 order by o.order_id
-- @query all
select p.category, count(*), sum(p.unit_price) from products p group by p.category order by p.category
-- @query all
select customer_id from customers union select customer_id from orders order by 1
-- @query all
select customer_id from customers where customer_id < 5 union all select customer_id from customers where customer_id < 3 order by 1
-- @query all
with big as (select order_id, freight from orders where freight > 90) select count(*) from big
-- @query all
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 10) SELECT sum(n) FROM seq
-- @query all
with a as (select customer_id from customers where country = 'Austria'),
     b as (select customer_id from orders)
select count(*) from a join b on a.customer_id = b.customer_id
-- @query all
select order_id, row_number() over (order by order_id) as rn from orders where order_id < 10 order by order_id
-- @query all
select customer_id, order_id, rank() over (partition by customer_id order by freight desc) as r from orders where customer_id < 4 order by customer_id, r, order_id
-- @query all
select category, product_name, sum(unit_price) over (partition by category) as cat_total from products order by category, product_name
-- @query all
select order_id, lag(freight) over (order by order_id) as prev, lead(freight, 2) over (order by order_id) as next2 from orders where order_id <= 8 order by order_id
-- @query all
select order_id, count(*) over () as total from orders where order_id < 4 order by 1
-- @query all
select upper(company_name), lower(city), length(email) from customers where customer_id < 9 order by customer_id
-- @query all
select substr(company_name, 1, 3) as abbrev from customers order by customer_id limit 5
-- @query all
select order_id from orders order by freight desc, order_id limit 3 offset 2
-- @query all
select abs(-5), 7 % 3, 2 + 3 * 4, (2 + 3) * 4, 10 / 4, 10.0 / 4 from customers where customer_id = 1
-- @query all
select 1e3 as a, 2.5E+2 as b, 1.5e-1 as c, .5 as d, 0.25 as e from customers where customer_id=1
-- @query all
select product_id from products where unit_price > 1e1 and unit_price < 2.0E+1 order by 1
-- @query all
select customer_id from customers where customer_id=-1 or customer_id = - 2 or customer_id-1=0
-- @query all
select count(*) from customers where is_active
-- @query all
select country, count(*) from customers group by country having count(*) >= 2 order by country
-- @query all
select o.order_id
  from orders o
 inner join customers c
    on c.customer_id = o.customer_id
 where c.country = 'Germany'
   and o.freight between 10 and 20
   and o.order_id < 100
 order by o.order_id
-- @query all
select a.customer_id, b.customer_id from customers a cross join customers b where a.customer_id < 3 and b.customer_id < 3 order by 1, 2
-- @query all
select * from order_summary where items > 3 order by order_id
-- @query all
select company_name, city from order_summary where amount > 200 order by order_id limit 10
-- @query all
SELECT	product_name	FROM	products	WHERE	discontinued	ORDER	BY	product_id
-- @query all
select count(*)
from customers
group by country
order by 1
-- @query all
select max(freight) as "max", min(freight) as "min" from orders
-- @query all
select customer_id as "Key Id", city as "select" from customers where customer_id < 3 order by 1
-- @query all
select * from customers where customer_id in (1, 2, 3) and city not in ('Paris') order by customer_id
-- @query all
select customer_id from customers where not exists (select 1 from orders where orders.customer_id = customers.customer_id) order by 1
-- @query all
select o.order_id, o.freight from orders o where o.freight = (select max(freight) from orders)
-- @query all
select cast(freight as integer) from orders where order_id = 7
-- @query all
select order_id, case when shipped_at is null then 'open' else 'shipped' end as state from orders where order_id between 10 and 20 order by 1
-- @query all
select country, max(created_at) from customers group by country order by country
-- @query all
select p.product_name, t.total from products p join (select product_id, sum(freight) as total from orders o join products q on q.product_id = o.order_id group by product_id) t on t.product_id = p.product_id order by 1
-- @query all
select company_name || '' from customers where 1 = 0
-- @query all
select 1 as one, 'x' as two, null as three from customers where customer_id = 1
-- @query all
select group_id from (select customer_id % 3 as group_id from customers) g group by group_id order by group_id
-- @query all
select t.* from customers t where t.customer_id < 3 order by t.customer_id
-- @query all
select customers.*, 1 from customers where customers.customer_id = 2
-- @query all
insert into customers select * from customers where 1 = 0
-- @query all
update products set unit_price = unit_price where 1 = 0
-- @query all
delete from orders where 1 = 0
-- @query pg+lite
select d.order_id, sum(d.quantity * d.unit_price) from "Order Details" d group by d.order_id order by 2 desc, 1 limit 5
-- @query pg+lite
select "order_id", "product_id" from "Order Details" where "discount" > 0 order by 1, 2 limit 10
-- @query pg+lite
select o.order_id, d.product_id from orders o join "Order Details" as d using (order_id) where o.order_id < 3 order by 1, 2
-- @query my+lite
select d.order_id, sum(d.quantity * d.unit_price) from `Order Details` d group by d.order_id order by 2 desc, 1 limit 5
-- @query my+lite
select `order_id`, `product_id` from `Order Details` where `discount` > 0 order by 1, 2 limit 10
-- @query pg+lite
select 'a' || 'b' || city as joined from customers where customer_id < 4 order by 1
-- @query pg+my
select customer_id from customers where created_at >= '2021-03-01' and created_at < '2021-04-01' order by 1
-- @query pg+my
select extract(year from order_date) as y, count(*) from orders group by extract(year from order_date) order by 1
-- @query pg+my
select order_id from orders where order_date = (select min(order_date) from orders) order by 1
-- @query pg+my
select country, string_agg_or_group as x from (select country, count(*) as string_agg_or_group from customers group by country) s order by 1
-- @query pg+my
select c.country, p.category, count(*) from customers c, products p where c.customer_id < 4 and p.product_id < 4 group by c.country, p.category order by 1, 2
-- @query pg
select jsonb_build_object('id', customer_id, 'city', city)->>'city' as city from customers where customer_id < 5 order by customer_id
-- @query pg
select ('{"a": {"b": [1, 2, 3]}}'::jsonb #>> '{a,b,1}')::int + customer_id from customers where customer_id = 3
-- @query pg
select '{"a": 1}'::jsonb @> '{"a": 1}'::jsonb, '[1,2]'::jsonb <@ '[1,2,3]'::jsonb, '{"x": 2}'::jsonb -> 'x' from customers where customer_id = 1
-- @query pg
select order_id::text || '-' || customer_id::varchar as code from orders where order_id<4 order by 1
-- @query pg
select E'tab\there', E'quote\'s; -- no', U&'d\0061t\+000061' from customers where customer_id = 1
-- @query pg
select $$dollar ' quoted ; -- text$$, $tag$ with $$ inside $tag$ from customers where customer_id = 1
-- @query pg
select customer_id from customers where city ~ '^B' and city !~ 'x$' and city ~* 'ber' order by 1
-- @query pg
select array_agg(customer_id order by customer_id) from customers where customer_id < 6
-- @query pg
select (array[1, 2, 3])[2], array_length(array[1,2], 1) from customers where customer_id = 1
-- @query pg
select * from orders_between(date '2023-01-01', date '2023-01-10') order by order_id
-- @query pg
select order_id, freight from orders where freight is distinct from 0 and order_id<5 order by 1
-- @query pg
select 10 # 3, 10 & 6, 10 | 1, ~5, 2 ^ 3, 1 << 4, 256 >> 2 from customers where customer_id = 1
-- @query pg
select count(*) filter (where freight > 50), count(*) from orders
-- @query pg
select /* a /* nested */ comment */ count(*) from customers
-- @query pg
select order_date + interval '1 day', now() is not null from orders where order_id = 1
-- @query pg
select string_agg(city, ', ' order by city) from (select distinct city from customers) s
-- @query pg
select customer_id from customers where customer_id = any(array[1, 2, 3]) order by 1
-- @query pg
select x.n from generate_series(1, 5) as x(n) where x.n != 3 order by 1
-- @query pg
select customer_id, created_at::date from customers where created_at::date between '2021-01-01' and '2021-01-20' order by 1
-- @query my
select json_extract('{"a": {"b": 5}}', '$.a.b') + customer_id from customers where customer_id = 2
-- @query my
select json_value(json_object('id', customer_id, 'city', city), '$.city') from customers where customer_id < 4 order by customer_id
-- @query my
select "double quoted string", 'it\'s', 'back\\slash; -- x' from customers where customer_id = 1
-- @query my
select customer_id from customers where customer_id <=> 3
-- @query my
select customer_id from customers where customer_id < 5 && is_active || customer_id = 9 order by 1
-- @query my
select 5 div 2, 5 mod 2, 1--1, 2 - -1 from customers where customer_id = 1
-- @query my
select count(*) from customers # a hash comment, it's fine
-- @query my
select /*!40101 count(*) */ from customers
-- @query my
select @rownum := 0 as start_value from customers where customer_id = 1
-- @query my
select concat_ws(';', city, country) from customers where customer_id < 4 order by customer_id
-- @query my
select date_format(order_date, '%Y-%m') as m, count(*) from orders group by date_format(order_date, '%Y-%m') order by 1 limit 4
-- @query my
select if(freight > 50, 'dear', 'cheap') as kind, count(*) from orders group by if(freight > 50, 'dear', 'cheap') order by 1
-- @query my
select customer_id from customers where city regexp '^B' order by 1
-- @query my
select group_concat(customer_id order by customer_id separator ',') from customers where customer_id < 6
-- @query lite
select json_extract('{"a": {"b": 5}}', '$.a.b') + customer_id, '{"a":1}' ->> '$.a' from customers where customer_id = 2
-- @query lite
select [company_name], `city` from customers where customer_id < 3 order by customer_id
-- @query lite
select customer_id from customers where customer_id == 3 or customer_id is 4 order by 1
-- @query lite
select group_concat(customer_id, ';') from (select customer_id from customers where customer_id < 6 order by customer_id)
-- @query lite
select typeof(freight), iif(freight > 50, 'dear', 'cheap') from orders where order_id = 2
-- @query lite
select strftime('%Y', order_date) as y, count(*) from orders group by 1 order by 1
-- @query lite
select customer_id from customers where city glob 'B*' order by 1
-- @query lite
select 5 << 1, 5 >> 1, 5 & 4, 5 | 2, ~5 from customers where customer_id = 1
-- @query all
select customer_id, company_name from customers where customer_id between 10 and 15 order by customer_id desc
-- @query all
select count(distinct country) from customers
-- @query all
select country, count(distinct city) as cities from customers group by country order by cities desc, country
-- @query all
select o.customer_id, sum(o.freight) as total from orders o group by o.customer_id having sum(o.freight) > 500 order by total desc, o.customer_id
-- @query all
select product_id, product_name from products where product_name like 'P%' and product_id % 10 = 0 order by 1
-- @query all
select product_id from products where not discontinued and unit_price > 20 order by product_id
-- @query all
select c.customer_id, count(o.order_id) from customers c left outer join orders o on o.customer_id = c.customer_id group by c.customer_id having count(o.order_id) = 0 order by 1
-- @query all
select min(unit_price) as cheapest, max(unit_price) as dearest, count(*) as n from products where category = 'Food'
-- @query all
select category from products group by category having avg(unit_price) > 10 order by 1
-- @query all
select order_id, freight, freight * 1.19 as gross from orders where order_id in (1, 2, 3, 5, 8, 13) order by order_id
-- @query all
select order_id from orders where freight between 10.5 and 11.5 order by 1
-- @query all
select c.company_name from customers c where c.customer_id = (select max(customer_id) from customers)
-- @query pg+my
select customer_id from customers where customer_id > all (select customer_id from customers where customer_id < 118) order by 1
-- @query pg+my
select customer_id from customers where customer_id = any (select customer_id from orders where freight > 99) order by 1
-- @query all
select (select count(*) from products) as products, (select count(*) from customers) as customers from customers where customer_id = 1
-- @query all
select x.city from (select city, count(*) as n from customers group by city) x where x.n > 10 order by x.city
-- @query all
select count(*) from orders o join customers c on c.customer_id = o.customer_id join products p on p.product_id = o.order_id % 60 + 1
-- @query all
select o.order_id, c.city from orders o, customers c where o.customer_id = c.customer_id and o.order_id < 6 order by o.order_id
-- @query all
with per_customer as (
    select customer_id, count(*) as n
    from orders
    group by customer_id
)
select max(n), min(n) from per_customer
-- @query all
with recursive countdown(n) as (select 5 union all select n - 1 from countdown where n > 0) select count(*) from countdown
-- @query all
with t as (select customer_id, country from customers) select country, count(*) from t group by country order by 2 desc, 1
-- @query all
select customer_id, dense_rank() over (order by country) as dr from customers where customer_id < 12 order by customer_id
-- @query all
select order_id, sum(freight) over (order by order_id rows between 1 preceding and current row) as running from orders where order_id < 7 order by order_id
-- @query all
select order_id, first_value(order_id) over (partition by customer_id order by order_id) as first_order from orders where customer_id = 5 order by order_id
-- @query all
select customer_id, ntile(4) over (order by customer_id) as quartile from customers where customer_id <= 8 order by customer_id
-- @query all
select category, avg(unit_price) over (partition by category) as avg_price, product_id from products where product_id < 10 order by product_id
-- @query all
select trim('  x  ') as t, replace(city, 'e', 'E') as r from customers where customer_id < 4 order by customer_id
-- @query all
select customer_id, case country when 'Germany' then 'DE' when 'Austria' then 'AT' else '??' end as cc from customers where customer_id < 15 order by 1
-- @query all
select round(unit_price, 1), unit_price from products where product_id < 6 order by product_id
-- @query all
select customer_id from customers where contact_name is not null and contact_name <> '' and customer_id < 10 order by 1
-- @query all
select customer_id from customers where (country = 'Germany' or country = 'Austria') and (city = 'Berlin' or city = 'Wien') order by 1
-- @query all
select customer_id from customers where not (country = 'Germany') and customer_id < 20 order by 1
-- @query all
select order_id from orders where note is null and shipped_at is not null and order_id < 30 order by order_id
-- @query all
select count(*), count(note), count(shipped_at) from orders
-- @query all
select p.product_id, p.unit_price from products p where p.unit_price > (select avg(unit_price) from products) order by 1
-- @query all
select customer_id from orders intersect select customer_id from customers where country = 'Germany' order by 1
-- @query all
select customer_id from customers except select customer_id from orders order by 1
-- @query all
select a.city from customers a where exists (select * from customers b where b.city = a.city and b.customer_id <> a.customer_id) group by a.city order by 1
-- @query all
select city, country from customers group by city, country order by country, city
-- @query pg+lite
SELECT Customer_Id, Company_Name FROM Customers WHERE Customer_Id < 3 ORDER BY Customer_Id
-- @query all
select
    o.order_id,
    o.freight,
    c.company_name
from
    orders o
    join customers c on (c.customer_id = o.customer_id)
where
    o.order_id <= 3
order by
    o.order_id
-- @query all
select customer_id,company_name,city from customers where customer_id<4 order by customer_id
-- @query all
select 'Bob''s', 'semi;colon', 'dash--dash', 'slash/*star', 'hash#tag' from customers where customer_id = 1
-- @query all
select 3 - 1 - 1, 3-1-1, 3 -1 -1, 2*-1, 4/2*3 from customers where customer_id = 1
-- @query all
select 1 as a where 1 <> 2 and 2 >= 1 and 1 <= 2 and 2 > 1 and 1 < 2
-- @query all
select count(*) from customers where created_at < '2021-06-01' and is_active
-- @query all
select max(order_id) - min(order_id) + 1 as span from orders
-- @query all
select o.order_id from orders o where o.order_id in (select order_id from orders where customer_id in (select customer_id from customers where country = 'Switzerland')) and o.order_id < 50 order by 1
-- @query all
select country, sum(case when is_active then 1 else 0 end) as active from customers group by country order by country
-- @query all
select product_name from products order by unit_price desc, product_id limit 5
-- @query all
select distinct category, discontinued from products order by category, discontinued
-- @query all
select sum(unit_price), avg(unit_price), count(unit_price) from products where discontinued
-- @query all
update customers set city = city where customer_id = -1
-- @query all
delete from products where product_id = -1 and category = 'none'
-- @query all
insert into products (product_id, product_name, category, unit_price, discontinued) select product_id, product_name, category, unit_price, discontinued from products where 1 = 0
-- @query pg+lite
select d.product_id, count(*) from "Order Details" d where d.quantity > 5 group by d.product_id having count(*) > 30 order by 1
-- @query pg+lite
select o.order_id, count(d.product_id) as lines from orders o left join "Order Details" d on d.order_id = o.order_id where o.order_id < 6 group by o.order_id order by 1
-- @query pg+lite
with lines as (select order_id, sum(quantity) as q from "Order Details" group by order_id) select max(q), min(q) from lines
-- @query pg+lite
select city || ', ' || country as place from customers where customer_id between 3 and 6 order by customer_id
-- @query my+lite
select o.order_id, count(d.product_id) as n_lines from orders o left join `Order Details` d on d.order_id = o.order_id where o.order_id < 6 group by o.order_id order by 1
-- @query my+lite
with order_lines as (select order_id, sum(quantity) as q from `Order Details` group by order_id) select max(q), min(q) from order_lines
-- @query pg+my
select concat(city, ' / ', country) from customers where customer_id < 4 order by customer_id
-- @query pg+my
select left(company_name, 4), right(email, 3) from customers where customer_id < 5 order by customer_id
-- @query pg+my
select customer_id, created_at from customers where created_at between '2021-01-05' and '2021-01-09 23:59:59' order by 1
-- @query pg+my
select greatest(1, customer_id, 3), least(customer_id, 2) from customers where customer_id < 5 order by customer_id
-- @query pg
select customer_id, company_name from customers where company_name ilike '%gmbh%' order by 1
-- @query pg
select date_trunc('month', order_date)::date as m, count(*) from orders group by 1 order by 1 limit 3
-- @query pg
select o.order_id, o.freight from orders o where (o.freight, o.order_id) > (99.0, 0) order by 2 desc, 1 limit 3
-- @query pg
select $_$x$$y$_$ as odd, $a1$z$a1$ from customers where customer_id = 1
-- @query pg
select customer_id from customers where email similar to '%@example.(de|ie)' order by 1
-- @query pg
select jsonb_agg(customer_id order by customer_id) -> 0 from customers where customer_id < 4
-- @query pg
select row_to_json(c)->>'city' from customers c where customer_id = 2
-- @query pg
select 'a' || E'\n' || 'b' = E'a\nb', 2.5e0::numeric(5,1) from customers where customer_id = 1
-- @query pg
select count(*) from customers where country = any ('{Germany,Austria}'::text[])
-- @query pg
select lower(city) collate "C" from customers where customer_id < 4 order by 1
-- @query my
select customer_id, `company_name` from `customers` where `customer_id` in (1, 2) order by 1
-- @query my
select count(*) from customers -- dash comment with a blank
-- @query my
select 'a\tb', 'c\\d', "e\"f", 'g''h' from customers where customer_id = 1
-- @query my
select customer_id from customers where customer_id between 1 and 3 xor customer_id = 2 order by 1
-- @query my
select substring_index(email, '@', -1) as domain, count(*) from customers group by domain order by 2 desc, 1
-- @query my
select json_unquote(json_extract(json_object('k', city), '$.k')) from customers where customer_id = 3
-- @query lite
select customer_id, company_name from "customers" where "customer_id" in (1, 2) order by 1
-- @query lite
select printf('%05d', customer_id) from customers where customer_id < 4 order by 1
-- @query lite
select customer_id from customers where city like 'b%' escape '\' order by 1
-- @query lite
select total(freight), sum(freight) from orders where order_id < 10
-- @query lite
select instr(email, '@'), substr(email, instr(email, '@') + 1) from customers where customer_id < 3 order by customer_id
