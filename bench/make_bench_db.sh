#!/bin/sh
# Builds a SQLite database for the fetch benchmarks: N rows (default 1,000,000) of an integer,
# a real, a two-place decimal, a short text with Japanese, a longer text, a time stamp and an
# integer that is NULL in every tenth row.
#   bench/make_bench_db.sh OUT.db [ROWS]
set -eu
out=${1:?usage: make_bench_db.sh OUT.db [ROWS]}
rows=${2:-1000000}
case $rows in ''|*[!0-9]*) echo "ROWS must be a whole number" >&2; exit 2 ;; esac
command -v sqlite3 >/dev/null || { echo "sqlite3 command line not found" >&2; exit 2; }
rm -f "$out"
sqlite3 "$out" >/dev/null <<SQL
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
CREATE TABLE bench (
  id INTEGER PRIMARY KEY,
  amount REAL,
  price DECIMAL(12,2),
  name VARCHAR(40),
  note TEXT,
  created TIMESTAMP,
  qty INTEGER
);
BEGIN;
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < $rows)
INSERT INTO bench
SELECT n,
       n * 1.25 / 7,
       printf('%.2f', (n % 100000) / 100.0),
       '商品' || n || '号 テスト',
       'メモ ' || n || ' ' || substr('The quick brown fox jumps over the lazy dog; いろはにほへとちりぬるを わかよたれそつねならむ うゐのおくやまけふこえて あさきゆめみしゑひもせす. Pack my box with five dozen liquor jugs.', 1, 20 + n % 150),
       datetime(978307200 + n * 37, 'unixepoch'),
       CASE WHEN n % 10 = 0 THEN NULL ELSE n % 1000 END
FROM seq;
COMMIT;
SQL
echo "$out: $(sqlite3 "$out" 'SELECT COUNT(*) FROM bench') rows"
