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
