CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(40), price VARCHAR(20), small SMALLINT);
INSERT INTO t (id, name) VALUES (2, 'taken'), (1500, 'taken'), (1501, 'taken'), (2500, 'taken'),
  (5010, 'taken');
