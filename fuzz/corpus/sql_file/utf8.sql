SELECT 'café';
SELECT 2;
