SELECT 1; SELECT 'a;b' FROM t -- c;
WHERE x="q\";"; /* ; */ `a;``b`;
# x;
