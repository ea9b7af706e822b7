#pragma once

// The document information of a PDF that QPdfWriter cannot set.

#include <QByteArray>
#include <QString>

namespace drawfield {

// Adds /Subject to the document information of a PDF as an incremental update: the information
// dictionary again, with the subject, in a new cross-reference section. A PDF without one is
// given back as it was.
[[nodiscard]] QByteArray withSubject(const QByteArray& pdf, const QString& subject);

} // namespace drawfield
