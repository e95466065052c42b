DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'report') THEN CREATE ROLE report LOGIN PASSWORD 's3cret'; END IF; END $$;
