#include "TVK_Test_Home.h"

#include <QtGlobal>

TVK_Test_Home::TVK_Test_Home()
{
    if (!m_dir.isValid())
        return;
    qputenv("HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
}
