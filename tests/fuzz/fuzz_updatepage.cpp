// Download pages, hostile or damaged, as the update check reads them (one
// character per byte received). The outcome follows the version marker: no
// marker, not retrieved; a version found newer than the program's is newer
// than any older program's too. Versions compare as an order: each equals
// itself, swapping two turns the sign, and the order is transitive.
#include "config/updatechecker.h"
#include "pvbcs_version.h"

#include <cstdio>
#include <cstdlib>

namespace {
QByteArray page;

void Require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\npage: %s\n", what, page.toPercentEncoding(" ").constData());
    std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    page = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = QString::fromLatin1(page);
    const QString program = QStringLiteral(PVBCS_VERSION_TEXT);
    const TUpdateOutcome outcome = UpdateOutcome(text, program);
    Require((outcome == TUpdateOutcome::NotRetrieved) == !text.contains(QStringLiteral("<!--VERSION_INFO")),
            "marker");
    if (outcome == TUpdateOutcome::NewerVersion)
        Require(UpdateOutcome(text, QStringLiteral("1.0")) == TUpdateOutcome::NewerVersion, "newer than older");

    // Two versions from the page: before and after its first line break.
    const qsizetype cut = text.indexOf(u'\n');
    const QString a = cut < 0 ? text : text.left(cut);
    const QString b = cut < 0 ? program : text.mid(cut + 1);
    Require(CompareVersions(a, a) == 0 && CompareVersions(b, b) == 0, "a version equals itself");
    Require(CompareVersions(a, b) == -CompareVersions(b, a), "swapped versions");
    const int order = CompareVersions(a, b);
    Require(order >= -1 && order <= 1, "an order is -1, 0 or 1");
    if (order == CompareVersions(b, program))
        Require(order == 0 || CompareVersions(a, program) == order, "transitive");
    return 0;
}
