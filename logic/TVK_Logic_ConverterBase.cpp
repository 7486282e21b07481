#include "TVK_Logic_ConverterBase.h"

#include "TVK_Debug_Log.h"

TVK_Logic_ConverterBase::TVK_Logic_ConverterBase(QObject *parent)
    : QObject(parent)
{
}

TVK_Logic_ConverterBase::~TVK_Logic_ConverterBase() = default;

QStringList TVK_Logic_ConverterBase::textList() const
{
    return m_texts;
}

QString TVK_Logic_ConverterBase::textAt(int index) const
{
    if (index < 0 || index >= m_texts.size())
        return QString();
    return m_texts.at(index);
}

QString TVK_Logic_ConverterBase::textForValue(double value) const
{
    fillPositions();
    const int index = m_values.indexOf(value);
    return index < 0 ? QString() : m_texts.at(index);
}

double TVK_Logic_ConverterBase::valueForText(const QString &text) const
{
    fillPositions();
    const int index = m_texts.indexOf(text);
    if (index >= 0 && index < m_values.size())
        return m_values.at(index);
    return index;
}

double TVK_Logic_ConverterBase::firstValue() const
{
    return m_values.isEmpty() ? 0.0 : m_values.first();
}

double TVK_Logic_ConverterBase::lastValue() const
{
    if (!m_values.isEmpty())
        return m_values.last();
    return m_texts.isEmpty() ? 0.0 : m_texts.size() - 1;
}

void TVK_Logic_ConverterBase::clearLists()
{
    m_texts.clear();
    m_values.clear();
}

void TVK_Logic_ConverterBase::appendEntry(const QString &text, double value)
{
    Q_ASSERT(m_values.size() == m_texts.size());
    m_texts.append(text);
    m_values.append(value);
}

void TVK_Logic_ConverterBase::appendText(const QString &text)
{
    Q_ASSERT(m_values.isEmpty());
    m_texts.append(text);
}

void TVK_Logic_ConverterBase::setTable(const Table &table, const char *title)
{
    clearLists();
    for (int index = 0; index < table.count(); ++index) {
        const char *text = table.text(index);
        const QString shown = title ? tr(text, title) : QString::fromUtf8(text);
        if (table.hasValues())
            appendEntry(shown, table.value(index));
        else
            appendText(shown);
    }
}

bool TVK_Logic_ConverterBase::setTableForList(const ListGroup *groups, int groupCount, int list, int productId,
                                              const char *logPrefix, const char *title)
{
    clearLists();
    for (int group = 0; group < groupCount; ++group) {
        if (groups[group].list == list) {
            setTable(groups[group].table, title);
            return true;
        }
    }
    logUnknownProduct(logPrefix, productId);
    return false;
}

bool TVK_Logic_ConverterBase::setTableIfOffered(bool offered, const Table &table, int productId,
                                                const char *logPrefix, const char *title)
{
    const ListGroup group = {1, table};
    return setTableForList(&group, 1, offered ? 1 : 0, productId, logPrefix, title);
}

void TVK_Logic_ConverterBase::fillPositions() const
{
    if (!m_values.isEmpty())
        return;
    m_values.reserve(m_texts.size());
    for (int position = 0; position < m_texts.size(); ++position)
        m_values.append(position);
}

void TVK_Logic_ConverterBase::logUnknownProduct(const char *logPrefix, int productId)
{
    debugLog(kLELogAlways, "%s - unknown ProductId 0x%X", logPrefix, unsigned(productId));
}
