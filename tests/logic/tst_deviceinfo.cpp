#include <QtTest>
class tst_deviceinfo : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_deviceinfo)
#include "tst_deviceinfo.moc"
