#!/usr/bin/env bash
# Makes the demo's SQLite database and a private ODBC configuration naming it (DSN KELVAXDEMO)
# in DIR: DIR/demo.db, DIR/odbcinst.ini, DIR/odbc.ini. Use it with
#   ODBCSYSINI=DIR ODBCINI=DIR/odbc.ini
# Usage: demo-db.sh DIR
set -euo pipefail
DIR=$(realpath "$1")
mkdir -p "$DIR"
rm -f "$DIR/demo.db"
sqlite3 "$DIR/demo.db" <<'SQL'
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
cat > "$DIR/odbcinst.ini" <<INI
[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$DRIVER
INI
cat > "$DIR/odbc.ini" <<INI
[KELVAXDEMO]
Driver=SQLite3
Database=$DIR/demo.db
StepAPI=1
INI
