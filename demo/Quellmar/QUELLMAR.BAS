10 CLS
20 PRINT "QUELLMAR demo payload"
30 END
