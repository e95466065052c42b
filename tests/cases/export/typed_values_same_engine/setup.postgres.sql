CREATE TABLE SRC (id integer, j json, b bytea, f boolean, d date, ts timestamp(6), r float8, x interval);
CREATE TABLE DST (id integer, j json, b bytea, f boolean, d date, ts timestamp(6), r float8, x interval);
INSERT INTO SRC VALUES (1, '{"a":1}', '\x00ff', TRUE, '2024-02-29', '2024-02-29 23:59:59.999999', 0.30000000000000004, '1 day 02:00:00.5'),
  (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
