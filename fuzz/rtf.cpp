// The information page's RTF reader: anything reads, into no more characters than it had bytes,
// and the same bytes always give the same text.

#include "fuzz_support.h"
#include "window/rtf_reader.h"

#include <QGuiApplication>
#include <QTextDocument>

using namespace drawfield;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray rtf(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument first, second;
    readRtf(rtf, first);
    readRtf(rtf, second);
    const QString text = first.toPlainText();
    FUZZ_REQUIRE(text == second.toPlainText(), "reading is deterministic");
    // Every character shown stands for at least one byte of the file (a paragraph for \par).
    FUZZ_REQUIRE(static_cast<std::size_t>(text.size()) <= size, "no character from nothing");
    return 0;
}
