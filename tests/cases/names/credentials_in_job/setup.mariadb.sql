CREATE USER IF NOT EXISTS 'report'@'localhost' IDENTIFIED BY 's3cret';
GRANT SELECT ON *.* TO 'report'@'localhost';
