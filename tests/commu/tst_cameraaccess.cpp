#include <QtTest>
class tst_cameraaccess : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(tst_cameraaccess)
#include "tst_cameraaccess.moc"
