#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstddef>

// One enumerated camera setting as the ordered display texts the user chooses
// from, each with the camera value that stands for it. The concrete converters
// only fill the lists from their tables; every lookup lives here.
//
// When a converter has no values, a text's value is its position. The values
// are then filled with the positions on the first lookup, so that both
// directions work on one vector.
//
// Texts are translated with this class as context and the setting's title as
// disambiguation, so one catalogue serves every converter.
//
// Used in the controller thread only; not synchronised.
class TVK_Logic_ConverterBase : public QObject
{
    Q_OBJECT

public:
    // One row of a table as the camera documentation lists it.
    struct Entry
    {
        const char *text;
        double value;
    };

    // A table of rows with values, or of texts alone (valued by position).
    // Converting on purpose, so that a group row names its array directly.
    class Table
    {
    public:
        template <std::size_t N>
        constexpr Table(const Entry (&rows)[N])
            : m_rows(rows), m_texts(nullptr), m_count(int(N))
        {
        }
        template <std::size_t N>
        constexpr Table(const char *const (&texts)[N])
            : m_rows(nullptr), m_texts(texts), m_count(int(N))
        {
        }

        constexpr int count() const { return m_count; }
        constexpr bool hasValues() const { return m_rows != nullptr; }
        constexpr const char *text(int index) const
        {
            return m_rows ? m_rows[index].text : m_texts[index];
        }
        constexpr double value(int index) const { return m_rows ? m_rows[index].value : index; }

    private:
        const Entry *m_rows;
        const char *const *m_texts;
        int m_count;
    };

    // The table of one of the lists a product's traits name
    // (TVK_Commu_ProductTraits): list is the value of that list's kind.
    struct ListGroup
    {
        int list;
        Table table;
    };

    explicit TVK_Logic_ConverterBase(QObject *parent = nullptr);
    ~TVK_Logic_ConverterBase() override;

    QStringList textList() const;
    // Empty outside the list.
    QString textAt(int index) const;
    // The first text with exactly this value; empty when none has it.
    QString textForValue(double value) const;
    // The value of the first entry with exactly this text; -1 for a text not
    // in the list.
    double valueForText(const QString &text) const;
    double firstValue() const;
    double lastValue() const;

protected:
    void clearLists();
    // Both keep the invariant only when a list is filled by one of them alone.
    void appendEntry(const QString &text, double value);
    void appendText(const QString &text);

    // Replaces both lists by the table. title is the setting's title for the
    // translation; nullptr keeps the texts as they stand.
    void setTable(const Table &table, const char *title);

    // Replaces both lists by the table of the group of the product's list.
    // Without one (the product has no list of that kind) the lists stay empty
    // and the product is logged under logPrefix ("Class::init"); false then.
    template <std::size_t N>
    bool setTableForList(const ListGroup (&groups)[N], int list, int productId, const char *logPrefix,
                         const char *title)
    {
        return setTableForList(groups, int(N), list, productId, logPrefix, title);
    }
    bool setTableForList(const ListGroup *groups, int groupCount, int list, int productId,
                         const char *logPrefix, const char *title);
    // The same for a list that a product either offers or not.
    bool setTableIfOffered(bool offered, const Table &table, int productId, const char *logPrefix,
                           const char *title);

    static void logUnknownProduct(const char *logPrefix, int productId);

private:
    void fillPositions() const;

    QStringList m_texts;
    // Empty or one per text; filled with positions by the first lookup.
    mutable QVector<double> m_values;
};
