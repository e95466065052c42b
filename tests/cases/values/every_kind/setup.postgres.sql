CREATE TABLE v (id integer, i bigint, n numeric(12,3), f float8, b boolean, d date,
  ts timestamp(6), t time(6), bn bytea, tx text, j json);
INSERT INTO v VALUES
  (1, -42, 1234.500, 0.30000000000000004, TRUE, '2024-02-29', '2024-02-29 23:59:59.999999',
   '09:05:03.5', '\x00ff10', '寿司, "quoted" ﾊﾝｶｸ ①', '{"a":1}'),
  (2, 9007199254740993, -0.000125, 1.7976931348623157e308, FALSE, '1899-12-31',
   '2001-10-28 00:00:00', '23:59:59', '\x', '', NULL),
  (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
CREATE TABLE dst (LIKE v);
