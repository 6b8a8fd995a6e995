-- Morvenda demo database, SQLite dialect.
-- Build it with:  sqlite3 demo.db < examples/demo/sqlite.sql
-- postgresql.sql and mariadb.sql build the same tables with the same rows.

DROP VIEW IF EXISTS order_summary;
DROP TABLE IF EXISTS "Order Details";
DROP TABLE IF EXISTS orders;
DROP TABLE IF EXISTS products;
DROP TABLE IF EXISTS customers;

CREATE TABLE customers (
    customer_id  INTEGER      NOT NULL PRIMARY KEY,
    company_name VARCHAR(60)  NOT NULL,
    contact_name VARCHAR(60),
    city         VARCHAR(40)  NOT NULL,
    country      VARCHAR(40)  NOT NULL,
    email        VARCHAR(80)  NOT NULL,
    is_active    BOOLEAN      NOT NULL,
    created_at   TIMESTAMP    NOT NULL
);
CREATE UNIQUE INDEX ux_customers_email ON customers (email);

CREATE TABLE products (
    product_id   INTEGER        NOT NULL PRIMARY KEY,
    product_name VARCHAR(60)    NOT NULL,
    category     VARCHAR(30)    NOT NULL,
    unit_price   NUMERIC(10,2)  NOT NULL,
    discontinued BOOLEAN        NOT NULL
);

CREATE TABLE orders (
    order_id     INTEGER        NOT NULL PRIMARY KEY,
    customer_id  INTEGER        NOT NULL REFERENCES customers (customer_id),
    order_date   DATE           NOT NULL,
    shipped_at   TIMESTAMP,
    freight      NUMERIC(10,2)  NOT NULL,
    note         VARCHAR(200)
);
CREATE INDEX ix_orders_customer ON orders (customer_id);

CREATE TABLE "Order Details" (
    order_id     INTEGER        NOT NULL REFERENCES orders (order_id),
    product_id   INTEGER        NOT NULL,
    quantity     INTEGER        NOT NULL,
    unit_price   NUMERIC(10,2)  NOT NULL,
    discount     NUMERIC(4,2)   NOT NULL,
    PRIMARY KEY (order_id, product_id)
);

-- 120 customers: eight written out, the rest generated; 111 to 120 never order.
INSERT INTO customers VALUES
    (1, 'Müller & Söhne GmbH', 'Jürgen Müller', 'München', 'Germany', 'juergen.mueller@example.de', TRUE, '2021-01-04 09:30:00'),
    (2, 'O''Brien Trading Ltd', 'Siobhán O''Brien', 'Dublin', 'Ireland', 'siobhan.obrien@example.ie', TRUE, '2021-01-05 11:15:00'),
    (3, 'Smørrebrød Hus', 'Søren Ærø', 'København', 'Denmark', 'soeren@example.dk', TRUE, '2021-01-06 14:00:00'),
    (4, 'Café Crème', NULL, 'Paris', 'France', 'bonjour@example.fr', TRUE, '2021-01-07 08:45:00'),
    (5, 'Łódzka Spółka', 'Zofia Wójcik', 'Łódź', 'Poland', 'zofia@example.pl', FALSE, '2021-01-08 16:20:00'),
    (6, 'Ωmega Imports', 'Νίκος Παπαδόπουλος', 'Αθήνα', 'Greece', 'nikos@example.gr', TRUE, '2021-01-09 10:05:00'),
    (7, 'Northwind Traders', 'Anna Svensson', 'Stockholm', 'Sweden', 'anna@example.se', TRUE, '2021-01-10 13:40:00'),
    (8, 'Acme Corporation', NULL, 'Springfield', 'USA', 'orders@example.com', FALSE, '2021-01-11 17:55:00');

INSERT INTO customers
WITH RECURSIVE seq(n) AS (SELECT 9 UNION ALL SELECT n + 1 FROM seq WHERE n < 120)
SELECT n,
       'Customer ' || n,
       CASE WHEN n % 7 = 0 THEN NULL ELSE 'Contact ' || n END,
       CASE n % 5 WHEN 0 THEN 'Berlin' WHEN 1 THEN 'Hamburg' WHEN 2 THEN 'Wien' WHEN 3 THEN 'Zürich' ELSE 'Graz' END,
       CASE n % 5 WHEN 0 THEN 'Germany' WHEN 1 THEN 'Germany' WHEN 2 THEN 'Austria' WHEN 3 THEN 'Switzerland' ELSE 'Austria' END,
       'customer' || n || '@example.com',
       n % 9 <> 0,
       datetime('2021-01-01 08:00:00', '+' || n || ' days', '+' || (n * 37 % 600) || ' minutes')
FROM seq;

-- 60 products.
INSERT INTO products VALUES
    (1, 'Smørrebrød', 'Food', 8.50, FALSE),
    (2, 'Crème brûlée', 'Dessert', 4.75, FALSE),
    (3, 'Æbleskiver', 'Dessert', 3.20, FALSE),
    (4, 'Käsespätzle', 'Food', 11.90, FALSE),
    (5, 'O''Doyle''s Irish Stew', 'Food', 13.40, FALSE),
    (6, 'Grüner Tee', 'Beverages', 2.10, FALSE),
    (7, 'Espresso', 'Beverages', 1.80, FALSE),
    (8, 'Pierogi ruskie', 'Food', 7.00, TRUE);

INSERT INTO products
WITH RECURSIVE seq(n) AS (SELECT 9 UNION ALL SELECT n + 1 FROM seq WHERE n < 60)
SELECT n,
       'Product ' || n,
       CASE n % 4 WHEN 0 THEN 'Food' WHEN 1 THEN 'Beverages' WHEN 2 THEN 'Dessert' ELSE 'Hardware' END,
       (n * 137 % 9000 + 99) / 100.0,
       n % 11 = 0
FROM seq;

-- 1000 orders over two years; every thirteenth is not shipped yet.
INSERT INTO orders
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 1000)
SELECT n,
       n * 37 % 110 + 1,
       date('2023-01-01', '+' || (n * 73 / 100) || ' days'),
       CASE WHEN n % 13 = 0 THEN NULL
            ELSE datetime('2023-01-01', '+' || (n * 73 / 100 + n % 5) || ' days',
                          '+' || (8 + n % 10) || ' hours', '+' || (n * 7 % 60) || ' minutes') END,
       (n * 53 % 5000) / 100.0,
       CASE WHEN n % 97 = 0 THEN 'Bitte nicht stürzen – zerbrechlich'
            WHEN n % 89 = 0 THEN 'Leave it at O''Brien''s back door'
            ELSE NULL END
FROM seq;

-- Three lines per order, 3000 in all, at the product's price.
INSERT INTO "Order Details"
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 3000)
SELECT (n - 1) / 3 + 1,
       p.product_id,
       n * 31 % 20 + 1,
       p.unit_price,
       CASE WHEN n % 10 = 0 THEN 0.05 ELSE 0 END
FROM seq
JOIN products p ON p.product_id = (((n - 1) / 3 + 1) * 7 + (n - 1) % 3 * 17) % 60 + 1;

CREATE VIEW order_summary AS
SELECT o.order_id, o.order_date, c.company_name, c.city,
       COUNT(*) AS items,
       SUM(d.quantity * d.unit_price) AS amount
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN "Order Details" d ON d.order_id = o.order_id
GROUP BY o.order_id, o.order_date, c.company_name, c.city;
