#include <QtTest>
class tst_apexconverter : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_apexconverter)
#include "tst_apexconverter.moc"
