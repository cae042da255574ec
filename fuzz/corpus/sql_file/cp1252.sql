SELECT 'café € ';
â€¨