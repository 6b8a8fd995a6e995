-- nightly cleanup of the order archive
DELETE FROM order_archive WHERE archived_at < '2019-01-01'; /* keep five years */
INSERT INTO audit_log (event, note) VALUES ('cleanup', 'it''s done; really');
SELECT "weird;name", [br;acket], `tick;ed` FROM t -- trailing; comment
GO
UPDATE customers SET note = 'a -- b /* c */' WHERE id = 7
