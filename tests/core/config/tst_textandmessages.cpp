#include "config/cp1252.h"
#include "config/errorhandler.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "testmessageservice.h"

#include <QStringDecoder>
#include <QtTest>
#include <stdexcept>

class TestTextAndMessages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cp1252MatchesIcuForEveryByte()
    {
        QStringDecoder icu("windows-1252");
        if (!icu.isValid())
            QSKIP("Qt is built without ICU here");
        for (int b = 0; b < 256; ++b) {
            const QByteArray byte(1, char(b));
            const QString ours = Cp1252::toUnicode(byte);
            QString theirs = icu.decode(byte);
            // ICU leaves the five undefined bytes undefined; ours keeps them
            // as their C1 controls so they survive a round trip.
            if (theirs.size() == 1 && theirs.at(0) == QChar::ReplacementCharacter)
                QCOMPARE(ours.at(0).unicode(), char16_t(b));
            else
                QCOMPARE(ours, theirs);
            QCOMPARE(Cp1252::fromUnicode(ours), byte);
        }
    }

    void cp1252ReplacesWhatItCannotHold()
    {
        QCOMPARE(Cp1252::fromUnicode(QStringLiteral("F\u00EAte \u20AC")), QByteArray("F\xEAte \x80"));
        QCOMPARE(Cp1252::fromUnicode(QStringLiteral("\u0416\U0001F600x")), QByteArray("??x"));
    }

    // What a name field keeps is exactly what the code page stores, and the
    // message names each refused character once.
    void namesKeepOnlyWhatTheCodePageHolds()
    {
        const QString typed = QStringLiteral("F\u00EAte \u03A9\u20AC \u0141\u00F3d\u017A \u03A9");
        QCOMPARE(Cp1252::NameText(typed), QStringLiteral("F\u00EAte \u20AC \u00F3d "));
        QCOMPARE(Cp1252::NameRefusal(typed),
                 QStringLiteral("These characters cannot be stored in a name: \u03A9 \u0141 \u017A"));
        QCOMPARE(Cp1252::NameRefusal(QStringLiteral("a\tb\U0001F600\u0081")),
                 QStringLiteral("These characters cannot be stored in a name: U+0009 \U0001F600 U+0081"));
        QCOMPARE(Cp1252::NameText(QStringLiteral("a\tb\r\n\U0001F600")), QStringLiteral("ab"));
        // An accent pasted as a separate mark is taken in its composed form.
        QCOMPARE(Cp1252::NameText(QStringLiteral("Fe\u0302te")), QStringLiteral("F\u00EAte"));
        QVERIFY(Cp1252::NameRefusal(QStringLiteral("Fe\u0302te")).isEmpty());
        QVERIFY(Cp1252::NameRefusal(QStringLiteral("Why? \u201CQuoted\u201D \u2013 \u00A0\u00FF")).isEmpty());

        for (char32_t c = 0; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue; // surrogates are halves, not characters
            const QString one = QChar(char16_t(c));
            const QString kept = Cp1252::NameText(one);
            QCOMPARE(kept.isEmpty() || kept == one.normalized(QString::NormalizationForm_C), true);
            QCOMPARE(Cp1252::NameRefusal(one).isEmpty(), !kept.isEmpty());
            if (!kept.isEmpty())
                QCOMPARE(Cp1252::toUnicode(Cp1252::fromUnicode(kept)), kept);
        }
    }

    void fmtFillsPlaceholdersInOrder()
    {
        QCOMPARE(Fmt(Msg::DbUnknownError, 100), QStringLiteral("Unknown database error! Error Code: \"100\""));
        QCOMPARE(Fmt("%s of %d, 100%%", QStringLiteral("a"), 3), QStringLiteral("a of 3, 100%"));
        QCOMPARE(Fmt("%s %s", QStringLiteral("only")), QStringLiteral("only %s"));
    }

    void escapedErrorsReachTheOperator()
    {
        TTestMessageService messages;
        RunAction([] { throw Exception(QStringLiteral("Exception while processing Clock")); });
        RunAction([] { throw std::runtime_error("disk full"); });
        RunAction([] { throw 42; });
        bool ran = false;
        RunAction([&] { ran = true; });
        QVERIFY(ran);
        QCOMPARE(messages.Texts(TMessageService::Kind::Error),
                 QStringList({QStringLiteral("Exception while processing Clock"), QStringLiteral("disk full"),
                              QStringLiteral("Unknown error.")}));
    }
};

QTEST_GUILESS_MAIN(TestTextAndMessages)
#include "tst_textandmessages.moc"
