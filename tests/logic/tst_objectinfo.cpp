#include <QtTest>
class tst_objectinfo : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_objectinfo)
#include "tst_objectinfo.moc"
