CREATE TABLE t (id INTEGER, name VARCHAR(40));
INSERT INTO t VALUES (1, NULL), (2, ''), (3, '<b>A&B</b> "q"'), (4, '東京');
