CREATE TABLE "MixedCase" (id INTEGER, customer VARCHAR(40));
INSERT INTO "MixedCase" VALUES (1, 'Blue Ocean Ltd.'), (2, 'BLUE OCEAN LTD.'), (3, 'blue ocean ltd.');
