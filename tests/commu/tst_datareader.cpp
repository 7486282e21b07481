#include <QtTest>
class tst_datareader : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_datareader)
#include "tst_datareader.moc"
