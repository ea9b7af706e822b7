#include "media/pdf_info.h"

#include <QRegularExpression>

namespace drawfield {
namespace {

    // A PDF string of any text: UTF-16 with its byte-order mark, in hexadecimal.
    QByteArray pdfText(const QString& text)
    {
        QByteArray hex = "<FEFF";
        for (QChar c : text)
            hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return hex + ">";
    }

} // namespace

QByteArray withSubject(const QByteArray& pdf, const QString& subject)
{
    const QRegularExpression trailer(QStringLiteral("trailer\\s*<<(.*?)>>\\s*startxref\\s*(\\d+)"),
        QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatchIterator found = trailer.globalMatch(QString::fromLatin1(pdf));
    QRegularExpressionMatch last;
    while (found.hasNext())
        last = found.next();
    if (!last.hasMatch())
        return pdf;
    const QString dictionary = last.captured(1);
    const QRegularExpressionMatch info
        = QRegularExpression(QStringLiteral("/Info\\s+(\\d+)\\s+0\\s+R")).match(dictionary);
    const QRegularExpressionMatch size
        = QRegularExpression(QStringLiteral("/Size\\s+(\\d+)")).match(dictionary);
    if (!info.hasMatch() || !size.hasMatch())
        return pdf;
    const QByteArray object = info.captured(1).toLatin1();
    const qsizetype at = pdf.indexOf("\n" + object + " 0 obj");
    const qsizetype open = at < 0 ? -1 : pdf.indexOf("<<", at);
    const qsizetype close = open < 0 ? -1 : pdf.indexOf(">>", open);
    if (close < 0)
        return pdf;
    QByteArray updated = pdf;
    if (!updated.endsWith('\n'))
        updated += '\n';
    const qsizetype offset = updated.size();
    updated += object + " 0 obj\n<<" + pdf.mid(open + 2, close - open - 2) + "/Subject "
        + pdfText(subject) + "\n>>\nendobj\n";
    const qsizetype xref = updated.size();
    updated += "xref\n0 1\n0000000000 65535 f \n" + object + " 1\n"
        + QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \ntrailer\n<<"
        + dictionary.toLatin1() + "/Prev " + last.captured(2).toLatin1() + "\n>>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return updated;
}

} // namespace drawfield
