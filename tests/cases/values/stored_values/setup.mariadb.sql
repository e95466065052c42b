SET SESSION sql_mode = 'ANSI_QUOTES';
CREATE TABLE t ("番号" integer, c1 text, c2 varchar(2), c3 varchar(3), c4 text, c5 int, c6 bigint, c7 bigint unsigned, c8 decimal(19,0), c9 decimal(30,5), c10 decimal(6,3), c11 decimal(6,3), c12 double, c13 double, c14 double, c15 double, c16 double, c17 date, c18 datetime, c19 datetime, c20 time, c21 datetime(6), c22 time(6), c23 time, c24 time, c25 date, c26 varbinary(8), c27 boolean, c28 boolean);
INSERT INTO t VALUES
  (1, '髙橋 寿司🍣です ｶﾀｶﾅ～－①', '髙橋', '', NULL, -42, 9007199254740993, 18446744073709551615, 1234567890123456789, 12345678901234567890.12345, -1.500, 2.000, 1e0/7, 0.30000000000000004, 1.7976931348623157e308, 9007199254740993, -2.5, '2001-10-28', '2001-10-28 09:05:03', '2024-02-29 00:00:00', '09:05:03', '2024-02-29 23:59:59.999999', '23:59:59.5', '25:00:00', '-01:00:00', '0000-00-00', x'00FF10', TRUE, FALSE),
  (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
CREATE TABLE u (v TEXT);
