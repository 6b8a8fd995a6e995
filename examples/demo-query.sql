-- Orders of the first quarter of 2024 with their customers, newest first.
SELECT o.order_id,
       o.order_date,
       c.company_name,
       c.contact_name,
       c.city,
       c.country,
       o.shipped_at,
       o.freight,
       o.note
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
WHERE o.order_date BETWEEN '2024-01-01' AND '2024-03-31'
ORDER BY o.order_date DESC, o.order_id DESC
