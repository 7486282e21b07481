#include "TVK_Test_SignalRecorder.h"

#include <QByteArray>
#include <QMetaMethod>
#include <QMetaType>
#include <QThread>
#include <QVector>

#include <mutex>

TVK_Test_SignalRecorder::TVK_Test_SignalRecorder(const QObject *source, Qt::ConnectionType type)
{
    // Types that Qt knows by name only once they are registered; a queued
    // connection needs them, and so does the copy into a variant.
    qRegisterMetaType<QVector<int>>("QVector<int>");
    qRegisterMetaType<QByteArray *>("QByteArray*");

    const QMetaObject *meta = source->metaObject();
    // The slots of this object are numbered after QObject's own methods.
    const int slotBase = QObject::staticMetaObject.methodCount();
    for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        Slot slot;
        slot.name = method.name();
        slot.signature = method.methodSignature();
        for (int p = 0; p < method.parameterCount(); ++p) {
            int typeId = method.parameterType(p);
            if (typeId == QMetaType::UnknownType)
                typeId = QMetaType::type(method.parameterTypes().at(p).constData());
            slot.types.append(typeId);
        }
        const int slotIndex = slotBase + m_slots.size();
        m_slots.append(slot);
        m_connections.append(QMetaObject::connect(source, i, this, slotIndex, type));
    }
}

TVK_Test_SignalRecorder::~TVK_Test_SignalRecorder()
{
    for (const QMetaObject::Connection &connection : qAsConst(m_connections))
        QObject::disconnect(connection);
}

int TVK_Test_SignalRecorder::qt_metacall(QMetaObject::Call call, int id, void **argv)
{
    id = QObject::qt_metacall(call, id, argv);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod)
        return id;
    if (id >= m_slots.size())
        return id - m_slots.size();

    const Slot &slot = m_slots.at(id);
    Entry entry;
    entry.name = slot.name;
    entry.signature = slot.signature;
    entry.thread = QThread::currentThread();
    for (int p = 0; p < slot.types.size(); ++p) {
        const int typeId = slot.types.at(p);
        entry.args.append(typeId == QMetaType::UnknownType ? QVariant() : QVariant(typeId, argv[p + 1]));
    }
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_entries.append(entry);
    return -1;
}

bool TVK_Test_SignalRecorder::matches(const Entry &entry, const QString &key)
{
    const QByteArray bytes = key.toLatin1();
    return bytes.contains('(') ? entry.signature == bytes : entry.name == bytes;
}

QVector<TVK_Test_SignalRecorder::Entry> TVK_Test_SignalRecorder::entries() const
{
    // A list of its own, not a shared one: the recording thread may move the
    // entries of its list to a larger one while the test still reads them.
    const std::lock_guard<std::mutex> locker(m_mutex);
    QVector<Entry> copy;
    copy.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        copy.append(entry);
    return copy;
}

QVector<TVK_Test_SignalRecorder::Entry> TVK_Test_SignalRecorder::entries(const QString &key) const
{
    QVector<Entry> found;
    for (const Entry &entry : entries()) {
        if (matches(entry, key))
            found.append(entry);
    }
    return found;
}

int TVK_Test_SignalRecorder::size() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_entries.size();
}

QStringList TVK_Test_SignalRecorder::names() const
{
    QStringList list;
    for (const Entry &entry : entries())
        list.append(QString::fromLatin1(entry.name));
    return list;
}

QStringList TVK_Test_SignalRecorder::signatures() const
{
    QStringList list;
    for (const Entry &entry : entries())
        list.append(QString::fromLatin1(entry.signature));
    return list;
}

int TVK_Test_SignalRecorder::count(const QString &key) const
{
    return entries(key).size();
}

QVariantList TVK_Test_SignalRecorder::lastArgs(const QString &key) const
{
    const QVector<Entry> found = entries(key);
    return found.isEmpty() ? QVariantList() : found.last().args;
}

int TVK_Test_SignalRecorder::indexOf(const QString &key, int from) const
{
    const QVector<Entry> all = entries();
    for (int i = qMax(0, from); i < all.size(); ++i) {
        if (matches(all.at(i), key))
            return i;
    }
    return -1;
}

bool TVK_Test_SignalRecorder::containsInOrder(const QStringList &keys, int *where) const
{
    const QVector<Entry> all = entries();
    int position = 0;
    for (int k = 0; k < keys.size(); ++k) {
        while (position < all.size() && !matches(all.at(position), keys.at(k)))
            ++position;
        if (position == all.size()) {
            if (where)
                *where = k;
            return false;
        }
        ++position;
    }
    return true;
}

void TVK_Test_SignalRecorder::clear()
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    m_entries.clear();
}
