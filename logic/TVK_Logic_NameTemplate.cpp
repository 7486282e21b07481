#include "TVK_Logic_NameTemplate.h"

#include "TVK_Logic_FolderSettings.h"

#include <QCoreApplication>

namespace {

struct TokenName {
    const char *name;
    int kind;
    bool takesFormat;
};

QString cleaned(const QString &value)
{
    QString out = value.trimmed();
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || TVK_Logic_NameTemplate::isRefusedCharacter(c))
            c = QLatin1Char('_');
    }
    return out;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("TVK_Logic_NameTemplate", text);
}

} // namespace

const QString TVK_Logic_NameTemplate::kDefault = QStringLiteral("{stem}{number:5}");

TVK_Logic_NameTemplate::TVK_Logic_NameTemplate(const QString &text)
    : m_text(text)
{
    if (!parse())
        m_pieces.clear();
}

bool TVK_Logic_NameTemplate::isRefusedCharacter(QChar c)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    return refused.contains(c);
}

bool TVK_Logic_NameTemplate::parse()
{
    static const TokenName kTokens[] = {
        {"stem", Piece::kLEStem, false},         {"number", Piece::kLENumber, true},
        {"date", Piece::kLEDate, true},          {"time", Piece::kLETime, true},
        {"camera", Piece::kLECamera, false},     {"serial", Piece::kLESerial, false},
        {"session", Piece::kLESession, false},   {"original", Piece::kLEOriginal, false},
        {"ext", Piece::kLEExtension, false},     {"exposure", Piece::kLEExposure, false},
        {"aperture", Piece::kLEAperture, false}, {"iso", Piece::kLEIso, false},
    };
    if (m_text.trimmed().isEmpty()) {
        m_error = tr("The name template is empty.");
        return false;
    }
    QString literal;
    const auto flush = [this, &literal]() {
        if (literal.isEmpty())
            return;
        Piece piece;
        piece.text = literal;
        m_pieces << piece;
        literal.clear();
    };
    for (int i = 0; i < m_text.size(); ++i) {
        const QChar c = m_text.at(i);
        if (c == QLatin1Char('}')) {
            m_error = tr("A \"}\" stands without its \"{\".");
            return false;
        }
        if (c != QLatin1Char('{')) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || isRefusedCharacter(c)) {
                const QString shown = c.unicode() < 0x20 || c.unicode() == 0x7f
                                          ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                          : QString(c);
                m_error = tr("A file name cannot hold \"%1\".").arg(shown);
                return false;
            }
            literal += c;
            continue;
        }
        const int end = m_text.indexOf(QLatin1Char('}'), i + 1);
        if (end < 0) {
            m_error = tr("A \"{\" is not closed.");
            return false;
        }
        const QString inner = m_text.mid(i + 1, end - i - 1);
        const int colon = inner.indexOf(QLatin1Char(':'));
        const QString name = colon < 0 ? inner : inner.left(colon);
        const QString argument = colon < 0 ? QString() : inner.mid(colon + 1);
        const TokenName *token = nullptr;
        for (const TokenName &candidate : kTokens)
            if (name == QLatin1String(candidate.name))
                token = &candidate;
        if (token == nullptr) {
            m_error = tr("\"{%1}\" is no token the template knows.").arg(inner);
            return false;
        }
        if (colon >= 0 && (!token->takesFormat || argument.isEmpty())) {
            m_error = tr("\"{%1}\" takes no \"%2\".").arg(name, argument);
            return false;
        }
        flush();
        Piece piece;
        piece.kind = Piece::eLEKind(token->kind);
        if (piece.kind == Piece::kLENumber) {
            bool ok = true;
            piece.width = colon < 0 ? TVK_Logic_FolderSettings::kPictureNumberDigits : argument.toInt(&ok);
            if (!ok || piece.width < 1 || piece.width > kMaxWidth) {
                m_error = tr("The number's width must be 1 to %1, not \"%2\".").arg(kMaxWidth).arg(argument);
                return false;
            }
        } else if (piece.kind == Piece::kLEDate || piece.kind == Piece::kLETime) {
            piece.text = colon < 0 ? QString::fromLatin1(piece.kind == Piece::kLEDate ? "yyyy-MM-dd" : "HHmmss")
                                   : argument;
        }
        m_pieces << piece;
        i = end;
    }
    flush();
    // A date or time format can make what the text itself may not hold.
    const Values example = exampleValues();
    for (const Piece &piece : qAsConst(m_pieces)) {
        if (piece.kind != Piece::kLEDate && piece.kind != Piece::kLETime)
            continue;
        const QString shown = example.taken.toString(piece.text);
        for (const QChar c : shown) {
            if (c.unicode() < 0x20 || isRefusedCharacter(c)) {
                m_error = tr("The format \"%1\" makes \"%2\", which a file name cannot hold.").arg(piece.text, QString(c));
                return false;
            }
        }
    }
    // Only values that may be unknown: the name must say something without them.
    Values bare;
    bare.number = example.number;
    bare.taken = example.taken;
    if (expandPieces(bare).trimmed().isEmpty() || expandPieces(example).trimmed().isEmpty()) {
        m_error = tr("The template can make an empty name; add {number} or some text.");
        return false;
    }
    return true;
}

TVK_Logic_NameTemplate::Values TVK_Logic_NameTemplate::exampleValues()
{
    Values values;
    values.stem = TVK_Logic_FolderSettings::defaultPictureFileName();
    values.number = 1;
    values.taken = QDateTime(QDate(2026, 12, 11), QTime(14, 30, 5));
    values.camera = QStringLiteral("Camera");
    values.serial = QStringLiteral("0000001");
    values.session = QStringLiteral("Session");
    values.original = QStringLiteral("IMG_0001");
    values.extension = QStringLiteral("DNG");
    values.exposure = QStringLiteral("1_250");
    values.aperture = QStringLiteral("5.6");
    values.iso = QStringLiteral("400");
    return values;
}

QString TVK_Logic_NameTemplate::expand(const Values &values) const
{
    if (!isValid())
        return TVK_Logic_NameTemplate(kDefault).expandPieces(values);
    return expandPieces(values);
}

QString TVK_Logic_NameTemplate::expandPieces(const Values &values) const
{
    QString name;
    for (const Piece &piece : m_pieces) {
        switch (piece.kind) {
        case Piece::kLEText:
            name += piece.text;
            break;
        case Piece::kLEStem:
            name += cleaned(values.stem);
            break;
        case Piece::kLENumber:
            name += QStringLiteral("%1").arg(values.number, piece.width, 10, QLatin1Char('0'));
            break;
        case Piece::kLEDate:
        case Piece::kLETime:
            name += values.taken.isValid() ? values.taken.toString(piece.text) : QString();
            break;
        case Piece::kLECamera:
            name += cleaned(values.camera);
            break;
        case Piece::kLESerial:
            name += cleaned(values.serial);
            break;
        case Piece::kLESession:
            name += cleaned(values.session);
            break;
        case Piece::kLEOriginal:
            name += cleaned(values.original);
            break;
        case Piece::kLEExtension:
            name += cleaned(values.extension);
            break;
        case Piece::kLEExposure:
            name += cleaned(values.exposure);
            break;
        case Piece::kLEAperture:
            name += cleaned(values.aperture);
            break;
        case Piece::kLEIso:
            name += cleaned(values.iso);
            break;
        }
    }
    return name;
}
