#pragma once

// Reads the subset of RTF that the program's information page uses into a QTextDocument:
// paragraphs (\par, \line, \tab, \qc for centred ones), bold, italic and underline, sizes (\fs),
// colours (\colortbl and \cf), characters written \'hh (Windows-1252) and \uN, and the escaped
// braces and backslash. Other control words are skipped, and so are the font table, the style
// sheet, the document information and every group marked ignorable (\*): never an error.

#include <QByteArray>

class QTextDocument;

namespace drawfield {

void readRtf(const QByteArray& rtf, QTextDocument& document);

} // namespace drawfield
