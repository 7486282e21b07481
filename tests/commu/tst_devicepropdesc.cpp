#include <QtTest>
class tst_devicepropdesc : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_devicepropdesc)
#include "tst_devicepropdesc.moc"
