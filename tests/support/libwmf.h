#pragma once

// Reads a metafile back with libwmf, a reader we did not write, into an image.

#include <QImage>
#include <QProcess>
#include <QString>

// The picture libwmf's wmf2gd draws of wmf, or a null image (and the reason) when it cannot.
inline QImage readWithLibwmf(const QString& wmf, const QString& png, QString* why = nullptr)
{
    QProcess reader;
    reader.start(QStringLiteral("wmf2gd"),
        { QStringLiteral("-t"), QStringLiteral("png"), QStringLiteral("-o"), png, wmf });
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) {
        if (why)
            *why = QString::fromUtf8(reader.readAllStandardError()) + reader.errorString();
        return QImage();
    }
    return QImage(png);
}
