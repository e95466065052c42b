CREATE TABLE v (id INTEGER PRIMARY KEY, name VARCHAR(40), note TEXT);
INSERT INTO v VALUES (1, '東京～大阪', 'メモ①'), (2, NULL, NULL), (3, 'ﾊﾝｶｸｶﾅ', ''),
  (4, '髙橋', replace(hex(zeroblob(5000)), '00', 'あ'));
CREATE TABLE q (id INTEGER, v VARCHAR(20));
INSERT INTO q VALUES (1, 'one two three,4'), (2, 'they say "hi"'), (3, 'a long tab	here'),
  (4, 'line
break'), (5, '"lead'), (6, '東京～大阪'), (7, ''), (8, NULL), (9, ' ');
CREATE TABLE e (id INTEGER, v VARCHAR(10));
INSERT INTO e VALUES (1, 'a😀b'), (2, '한국');
