--
-- PostgreSQL database dump
--

SET statement_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SET check_function_bodies = false;
SET client_min_messages = warning;

/* A block comment /* with a nested one; it holds a semicolon */ and goes on; here */

CREATE TYPE mpaa_rating AS ENUM ('G', 'PG', 'PG-13', 'R', 'NC-17');

CREATE TABLE city (
    city_id integer NOT NULL PRIMARY KEY,
    city text NOT NULL,
    rentals integer DEFAULT 0 NOT NULL
);

CREATE TABLE film (
    film_id integer NOT NULL PRIMARY KEY,
    title text NOT NULL,
    description text,
    rating mpaa_rating DEFAULT 'G'::mpaa_rating,
    special_features text[],
    meta jsonb DEFAULT '{}'::jsonb NOT NULL
);

CREATE TABLE rental (
    rental_id serial PRIMARY KEY,
    film_id integer NOT NULL REFERENCES film (film_id),
    city_id integer NOT NULL REFERENCES city (city_id),
    amount numeric(5,2) NOT NULL,
    note text
);

CREATE TABLE rental_log (
    id serial PRIMARY KEY,
    what text NOT NULL
);

-- Strings: standard ones keep backslashes; E'' strings read escapes.
INSERT INTO city VALUES (1, 'C:\', 0), (2, E'O\'Neil; Ltd', 0), (3, 'it''s -- no comment', 0);
INSERT INTO city VALUES (4, E'tab\there\\ and a \'quote\'; done', 0), (5, U&'Z\00FCrich', 0);

INSERT INTO film VALUES
    (1, 'ACADEMY DINOSAUR', 'A Epic Drama; of a Feminist', 'PG', '{"Deleted Scenes","Behind the Scenes"}', '{"a": {"b": 1}}'),
    (2, 'ACE GOLDFINGER', $$A Astounding "Epistle" ; of a Database Administrator's $tag$ dream$$, 'G', '{Trailers}', '{"a": {"b": 2}}'),
    (3, 'ADAPTATION HOLES', $x$Contains $$ inside; and ' quotes$x$, 'NC-17', NULL, '[]');

CREATE FUNCTION last_day(timestamp without time zone) RETURNS date
    LANGUAGE sql IMMUTABLE STRICT
    AS $_$
  SELECT CASE
    WHEN EXTRACT(MONTH FROM $1) = 12 THEN
      (((EXTRACT(YEAR FROM $1) + 1) operator(pg_catalog.||) '-01-01')::date - INTERVAL '1 day')::date
    ELSE
      ((EXTRACT(YEAR FROM $1) operator(pg_catalog.||) '-' operator(pg_catalog.||) (EXTRACT(MONTH FROM $1) + 1) operator(pg_catalog.||) '-01')::date - INTERVAL '1 day')::date
    END
$_$;

CREATE FUNCTION price_band(p_amount numeric) RETURNS text
    LANGUAGE plpgsql IMMUTABLE
    AS $$
DECLARE
    band text;
BEGIN
    -- a comment inside the body; with a ' quote
    IF p_amount < 1 THEN
        band := 'cheap;';
    ELSIF p_amount < 3 THEN
        band := 'mid';
    ELSE
        band := CASE WHEN p_amount > 100 THEN 'absurd' ELSE 'dear' END;
    END IF;
    RETURN band;
END;
$$;

CREATE FUNCTION band_of(a numeric) RETURNS text
    LANGUAGE sql
BEGIN ATOMIC
    SELECT CASE WHEN a < 1 THEN 'low' ELSE 'high' END;
END;

CREATE FUNCTION rental_ai() RETURNS trigger
    LANGUAGE plpgsql
    AS $body$
BEGIN
    UPDATE city SET rentals = rentals + 1 WHERE city_id = NEW.city_id;
    INSERT INTO rental_log (what) VALUES ('rented; amount=' || NEW.amount || E' \\ ok');
    RETURN NEW;
END
$body$;

CREATE TRIGGER rental_ai AFTER INSERT ON rental FOR EACH ROW EXECUTE FUNCTION rental_ai();

DO $do$
DECLARE
    i integer;
BEGIN
    FOR i IN 1..4 LOOP
        INSERT INTO rental (film_id, city_id, amount, note)
        VALUES (1 + i % 3, 1 + i % 5, 0.99 + i, 'band ' || price_band(0.99 + i) || '; #' || i);
    END LOOP;
END
$do$;

INSERT INTO rental (film_id, city_id, amount, note)
SELECT f.film_id, 2, 1.5, band_of(1.5) || ' ' || (f.meta #>> '{a,b}') || ' ' || COALESCE(f.special_features[1], '-')
FROM film f WHERE f.meta #> '{a}' IS NOT NULL AND f.title != 'x';

CREATE VIEW rental_summary AS
 SELECT c.city, count(*) AS n, sum(r.amount) AS total
   FROM rental r JOIN city c ON c.city_id = r.city_id
  GROUP BY c.city;

--
-- PostgreSQL database dump complete
--
