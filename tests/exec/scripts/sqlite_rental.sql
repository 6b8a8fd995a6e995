-- SQLite schema script: tables, triggers with several statements, views.
PRAGMA foreign_keys = ON;

CREATE TABLE city (
    city_id INTEGER PRIMARY KEY,
    city TEXT NOT NULL,
    rentals INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE [rental log] (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    `what` TEXT NOT NULL
);

CREATE TABLE rental (
    rental_id INTEGER PRIMARY KEY AUTOINCREMENT,
    city_id INTEGER NOT NULL REFERENCES city (city_id),
    amount NUMERIC NOT NULL,
    note TEXT
);

/* Strings hold what looks like delimiters and comments; backslashes are plain text here. */
INSERT INTO city VALUES (1, 'C:\', 0), (2, 'O''Neil; Ltd', 0), (3, '-- no comment /* none */', 0);
INSERT INTO city VALUES (4, 'double "quoted" ; text', 0);

CREATE TRIGGER rental_ai AFTER INSERT ON rental
BEGIN
    UPDATE city SET rentals = rentals + 1 WHERE city_id = NEW.city_id;
    INSERT INTO [rental log] (what) VALUES ('rented; amount=' || NEW.amount
        || CASE WHEN NEW.amount > 3 THEN ' dear' ELSE ' cheap' END);
END;

CREATE TRIGGER IF NOT EXISTS rental_ad AFTER DELETE ON rental
BEGIN
    UPDATE city SET rentals = rentals - 1 WHERE city_id = OLD.city_id;
END;

CREATE TRIGGER rental_au AFTER UPDATE OF amount ON rental WHEN NEW.amount <> OLD.amount
BEGIN
    INSERT INTO [rental log] (what) VALUES ('changed; ' || OLD.amount || ' -> ' || NEW.amount);
END;

INSERT INTO rental (city_id, amount, note) VALUES (1, 0.99, 'one; two');
INSERT INTO rental (city_id, amount, note) VALUES (2, 3.99, 'it''s');
INSERT INTO rental (city_id, amount, note) VALUES (2, 4.99, NULL);
UPDATE rental SET amount = 5.99 WHERE rental_id = 3;
DELETE FROM rental WHERE rental_id = 1;

CREATE VIEW rental_summary AS
SELECT c.city, count(*) AS n, sum(r.amount) AS total
FROM rental r JOIN city c ON c.city_id = r.city_id
GROUP BY c.city;
