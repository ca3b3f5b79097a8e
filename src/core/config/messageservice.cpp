#include "config/messageservice.h"

#include <cstdio>

namespace {
// Used where no window exists: the command line and tools. Questions are
// answered No and prompts cancelled, so nothing is done unasked.
class TConsoleMessageService final : public TMessageService {
public:
    bool Show(Kind kind, const QString &text) override
    {
        static const char *const prefix[] = {"Error: ", "Warning: ", "", "", ""};
        std::fprintf(stderr, "%s%s\n", prefix[int(kind)], qPrintable(text));
        return !IsQuestion(kind);
    }
    std::optional<QString> PromptText(const QString &, const QString &, const QString &) override { return {}; }
    QString OpenFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString SaveFileName(const QString &, const QString &, const QString &, const QString &) override { return {}; }
};

TMessageService *installed = nullptr;
}

TMessageService &TMessageService::Instance()
{
    static TConsoleMessageService console;
    return installed ? *installed : console;
}

void TMessageService::Install(TMessageService *service)
{
    installed = service;
}
