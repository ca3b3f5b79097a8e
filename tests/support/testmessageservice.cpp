#include "testmessageservice.h"

bool TTestMessageService::Show(Kind kind, const QString &text)
{
    entries.append({kind, text});
    if (onShow)
        onShow(entries.constLast());
    if (!IsQuestion(kind))
        return true;
    return confirmAnswers.isEmpty() ? defaultConfirm : confirmAnswers.dequeue();
}

std::optional<QString> TTestMessageService::PromptText(const QString &, const QString &prompt, const QString &initial)
{
    prompts.append(prompt);
    promptInitials.append(initial);
    return promptAnswers.isEmpty() ? std::nullopt : promptAnswers.dequeue();
}

QString TTestMessageService::OpenFileName(const QString &, const QString &, const QString &)
{
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString TTestMessageService::SaveFileName(const QString &, const QString &, const QString &, const QString &)
{
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QStringList TTestMessageService::Texts() const
{
    QStringList out;
    for (const Entry &e : entries)
        out << e.text;
    return out;
}

QStringList TTestMessageService::Texts(Kind kind) const
{
    QStringList out;
    for (const Entry &e : entries)
        if (e.kind == kind)
            out << e.text;
    return out;
}

void TTestMessageService::Notice(const QString &text, QObject *about)
{
    notices.append(text);
    noticeSubjects.append(about);
}
