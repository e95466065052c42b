#!/usr/bin/env bash
# Installs, builds, creates a demo SQLite database with a private ODBC configuration (DSN
# KELVAXDEMO), runs a job (examples/demo.ini unless another is named) and shows where the output
# and the run log are.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOB=$(realpath "${1:-examples/demo.ini}")
bash scripts/install-deps.sh
# The program alone, in a folder of its own: the test suite takes most of a full build's time.
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DKELVAX_BUILD_TESTS=OFF
cmake --build build-demo -j2 --target kelvax

OUT=$ROOT/demo-out
rm -rf "$OUT"
mkdir -p "$OUT"
# The program keeps its run log beside itself, so the demo runs a copy in its own folder.
cp build-demo/kelvax "$OUT/kelvax"
[ -f build-demo/kelvax_ui.so ] && cp build-demo/kelvax_ui.so "$OUT/"

sqlite3 "$OUT/demo.db" <<'SQL'
CREATE TABLE ORDERS (
  ID INTEGER PRIMARY KEY,
  CUSTOMER TEXT,
  CITY TEXT,
  QTY INTEGER,
  PRICE NUMERIC(10,2),
  ORDERED DATE,
  SHIPPED TIMESTAMP,
  NOTE TEXT
);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
INSERT INTO ORDERS
SELECT i,
       (SELECT name FROM (SELECT 1 k, '山田商店' name UNION ALL SELECT 2, '株式会社さくら'
                          UNION ALL SELECT 3, 'Blue Ocean Ltd.' UNION ALL SELECT 4, '鈴木～工房')
        WHERE k = i % 4 + 1),
       CASE i % 3 WHEN 0 THEN '東京' WHEN 1 THEN '大阪' ELSE NULL END,
       i % 17 + 1,
       ROUND((i % 50) * 12.5 + 0.25, 2),
       date('2026-01-01', '+' || (i % 200) || ' days'),
       CASE WHEN i % 5 = 0 THEN NULL
            ELSE datetime('2026-01-01 09:05:03', '+' || (i % 200) || ' days', '+' || i || ' minutes') END,
       CASE WHEN i % 7 = 0 THEN '備考: 至急, "要確認"' ELSE '' END
FROM n;
CREATE TABLE SHIPPING_LOG (ID INTEGER PRIMARY KEY, NOTE TEXT);
SQL

DRIVER=$(for d in /usr/lib/*/odbc/libsqlite3odbc.so /usr/lib/odbc/libsqlite3odbc.so; do [ -f "$d" ] && echo "$d" && break; done)
cat > "$OUT/odbcinst.ini" <<INI
[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$DRIVER
INI
cat > "$OUT/odbc.ini" <<INI
[KELVAXDEMO]
Driver=SQLite3
Database=$OUT/demo.db
StepAPI=1
INI
export ODBCSYSINI=$OUT ODBCINI=$OUT/odbc.ini

touch "$OUT/.before-run"
status=0
(cd "$OUT" && ./kelvax "$JOB") || status=$?

echo
echo "kelvax exited with status $status"
echo "Output files:"
find "$OUT" -maxdepth 1 -type f ! -name kelvax ! -name 'odbc*.ini' ! -name demo.db ! -name SQLLOG.txt \
  -newer "$OUT/.before-run" | sort | sed 's/^/  /'
echo "Run log: $OUT/SQLLOG.txt (CP932; shown here converted to UTF-8):"
iconv -f CP932 -t UTF-8 "$OUT/SQLLOG.txt" | tr -d '\r' | sed 's/^/  /'
