#pragma once

#include <QVector>
#include <QtGlobal>

#include <cstddef>

// The PTP DevicePropDesc dataset of the six integer types: what a property
// holds now and which values its range or enumeration allows.
class TVK_Commu_DevicePropDesc
{
public:
    enum eLEFormFlag { kLEFormNone = 0, kLEFormRange = 1, kLEFormEnumeration = 2 };

    enum eLEParseResult {
        kLEParsed,
        kLETruncated,       // the dataset ends before its form's header does; nothing is allowed
        kLEUnknownDataType, // not one of INT8 .. UINT32
        kLEUnknownFormFlag,
        kLEEnumerationCut   // the dataset ends inside the enumerated values; those that arrived whole are kept
    };

    // Parses size bytes at data; the caller logs unknown types and forms, and
    // cut enumerations.
    eLEParseResult parse(const void *data, size_t size);

    // Bytes per value of a PTP data type 1..6, 0 for any other.
    static int valueWidth(int dataType);
    // Whether value is one the form allows (false without a form). A range with
    // step 0 allows every value between its bounds.
    bool allows(qint64 value) const;

    quint16 propertyCode() const { return m_propertyCode; }
    quint16 dataType() const { return m_dataType; }
    quint8 getSet() const { return m_getSet; }
    quint8 formFlag() const { return m_formFlag; }
    qint64 factoryDefaultValue() const { return m_factoryDefault; }
    qint64 currentValue() const { return m_current; }
    qint64 minimumValue() const { return m_minimum; }
    qint64 maximumValue() const { return m_maximum; }
    qint64 stepSize() const { return m_step; }
    // The enumerated values that arrived whole: after kLEEnumerationCut fewer
    // than enumerationCount().
    const QVector<qint64> &enumeration() const { return m_enumeration; }
    // How many values the enumeration says it has.
    quint16 enumerationCount() const { return m_enumerationCount; }

private:
    eLEParseResult parseFields(const void *data, size_t size);

    quint16 m_propertyCode = 0;
    quint16 m_dataType = 0;
    quint8 m_getSet = 0;
    quint8 m_formFlag = 0;
    qint64 m_factoryDefault = 0;
    qint64 m_current = 0;
    qint64 m_minimum = 0;
    qint64 m_maximum = 0;
    qint64 m_step = 0;
    quint16 m_enumerationCount = 0;
    QVector<qint64> m_enumeration;
};
