INSERT INTO t VALUES('it''s;', 'a\'';');
SELECT /*/ ; */ 2;--
