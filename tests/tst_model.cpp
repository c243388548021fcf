#include "dashboardwidget.h"
#include "dashboardwidgetkind.h"
#include "widgetjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(DashboardWidgetKind)
Q_DECLARE_METATYPE(DashboardWidget)

namespace {

DashboardWidget sampleWidget(DashboardWidgetKind kind)
{
    DashboardWidget w = DashboardWidget::make(kind, 100.25, -3.5);
    w.countdownDate = Instant {812345678.123456};
    return w;
}

// A complete widget object; rows below take keys out or change them.
QJsonObject completeObject()
{
    return QJsonDocument::fromJson(R"({
        "id": "0F8B5C3E-2A57-4C0D-9E1B-5B6A7C8D9E0F", "kind": "notes", "x": 10, "y": 20.5,
        "note": "n", "countdownTitle": "t", "countdownDate": 700000000.5,
        "stopwatch": {"startedAt": 1.25, "elapsed": 3},
        "calculator": {"display": "12", "stored": 4, "operation": "+", "startsNewNumber": false},
        "converterInput": "5", "converterChoice": "Miles → Kilometres",
        "focusRemaining": 1500, "focusIsRunning": true, "focusStartedAt": 2.5})")
        .object();
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKindRoundTripsThroughItsIdentifier_data()
    {
        QTest::addColumn<DashboardWidgetKind>("kind");
        for (DashboardWidgetKind kind : WidgetKinds::allCases())
            QTest::addRow("%s", qPrintable(WidgetKinds::rawIdentifier(kind))) << kind;
    }
    void everyKindRoundTripsThroughItsIdentifier()
    {
        QFETCH(DashboardWidgetKind, kind);
        QCOMPARE(WidgetKinds::fromRawIdentifier(WidgetKinds::rawIdentifier(kind)), kind);
    }

    void identifiersAreDistinctAndOrdered()
    {
        QSet<QString> seen;
        for (DashboardWidgetKind kind : WidgetKinds::allCases())
            seen.insert(WidgetKinds::rawIdentifier(kind));
        QCOMPARE(seen.size(), 16);
        QCOMPARE(WidgetKinds::allCases()[10], DashboardWidgetKind::pomodoro);

        const auto &offered = WidgetKinds::galleryCases();
        QCOMPARE(offered.size(), 15u);
        QVERIFY(std::find(offered.begin(), offered.end(), DashboardWidgetKind::pomodoro)
            == offered.end());
        const auto clip = std::find(offered.begin(), offered.end(), DashboardWidgetKind::clipboard);
        QCOMPARE(*(clip + 1), DashboardWidgetKind::countdown);
    }

    void lookalikeIdentifiersAreRejected_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addRow("capitalised") << QStringLiteral("Pomodoro");
        QTest::addRow("trailing blank") << QStringLiteral("clock ");
        QTest::addRow("empty") << QString();
        QTest::addRow("title instead of id") << QStringLiteral("World Clock");
        QTest::addRow("lower-cased camel") << QStringLiteral("worldclock");
    }
    void lookalikeIdentifiersAreRejected()
    {
        QFETCH(QString, raw);
        QCOMPARE(WidgetKinds::fromRawIdentifier(raw), std::nullopt);
    }

    void cardSizesMatchTheCatalogue()
    {
        QCOMPARE(WidgetKinds::cardSize(DashboardWidgetKind::calculator), QSizeF(300, 410));
        QCOMPARE(WidgetKinds::title(DashboardWidgetKind::system), QStringLiteral("System Status"));
        int taller = 0;
        DashboardWidgetKind smallest = DashboardWidgetKind::clock;
        for (DashboardWidgetKind kind : WidgetKinds::allCases()) {
            const QSizeF s = WidgetKinds::cardSize(kind);
            taller += s.height() > s.width() ? 1 : 0;
            if (s.width() < WidgetKinds::cardSize(smallest).width())
                smallest = kind;
        }
        QCOMPARE(taller, 1);
        QCOMPARE(smallest, DashboardWidgetKind::dice);
    }

    void newWidgetTakesTheDefaults()
    {
        const QDateTime now(QDate(2026, 3, 1), QTime(12, 0));
        const DashboardWidget w = DashboardWidget::make(DashboardWidgetKind::notes, 1, 2, now);
        QVERIFY(!w.id.isNull());
        QCOMPARE(w.note, QStringLiteral("Ideas, reminders, anything\u2026"));
        QCOMPARE(w.countdownTitle, QStringLiteral("A brilliant day"));
        // Thirty calendar days, so the wall-clock time survives a DST change.
        QCOMPARE(w.countdownDate.toDateTime().toLocalTime(), now.addDays(30));
        QVERIFY(!w.stopwatch && !w.calculator && !w.converterInput && !w.focusRemaining);
    }

    void widgetRoundTripsThroughJson_data()
    {
        QTest::addColumn<DashboardWidget>("widget");
        for (DashboardWidgetKind kind : WidgetKinds::allCases())
            QTest::addRow("%s defaults", qPrintable(WidgetKinds::rawIdentifier(kind)))
                << sampleWidget(kind);

        DashboardWidget full = sampleWidget(DashboardWidgetKind::calculator);
        full.note = QStringLiteral("quote \" backslash \\ newline \n tab \t bell \a emoji 🦉 é");
        full.stopwatch = StopwatchState {Instant {1.000001}, 12.3456789};
        full.calculator
            = CalculatorState {QStringLiteral("-0.5"), 1e-300, QStringLiteral("÷"), false};
        full.converterInput = QStringLiteral("1,5");
        full.converterChoice = QString();
        full.focusRemaining = -42;
        full.focusIsRunning = false;
        full.focusStartedAt = Instant {-0.25};
        QTest::addRow("every optional present") << full;

        DashboardWidget stopped = sampleWidget(DashboardWidgetKind::stopwatch);
        stopped.stopwatch = StopwatchState {};
        QTest::addRow("stopped stopwatch") << stopped;

        DashboardWidget surrogates = sampleWidget(DashboardWidgetKind::notes);
        surrogates.note = QStringLiteral("a") + QChar(0xDD89) + QStringLiteral("b") + QChar(0xD83E);
        surrogates.countdownTitle = QString(QChar(0xD83E)) + QChar(0xDD89);
        QTest::addRow("lone surrogates survive") << surrogates;

        DashboardWidget extremes = sampleWidget(DashboardWidgetKind::clock);
        extremes.x = 1.7976931348623157e308;
        extremes.y = 5e-324;
        QTest::addRow("extreme doubles") << extremes;
    }
    void widgetRoundTripsThroughJson()
    {
        QFETCH(DashboardWidget, widget);
        const auto bytes = WidgetJson::encodeArrangement({widget});
        QVERIFY(bytes);
        const auto decoded = WidgetJson::decodeArrangement(*bytes);
        QVERIFY2(decoded, bytes->constData());
        QCOMPARE(decoded->size(), 1);
        QVERIFY(decoded->first() == widget);
    }

    void writerKeepsFieldOrderAndLeavesAbsentKeysOut()
    {
        DashboardWidget w;
        w.id = QUuid::fromString(QStringLiteral("0f8b5c3e-2a57-4c0d-9e1b-5b6a7c8d9e0f"));
        w.kind = DashboardWidgetKind::worldClock;
        w.x = 80;
        w.y = 582.5;
        w.note = QStringLiteral("a/b");
        w.countdownTitle = QStringLiteral("T");
        w.countdownDate = Instant {786931200.25};
        QCOMPARE(*WidgetJson::encodeArrangement({w}),
            QByteArray(R"([{"id":"0F8B5C3E-2A57-4C0D-9E1B-5B6A7C8D9E0F","kind":"worldClock",)"
                       R"("x":80,"y":582.5,"note":"a/b","countdownTitle":"T",)"
                       R"("countdownDate":786931200.25}])"));

        w.calculator = CalculatorState {};
        w.stopwatch = StopwatchState {std::nullopt, 2};
        w.focusIsRunning = true;
        const QByteArray withNested = *WidgetJson::encodeArrangement({w});
        QVERIFY(withNested.contains(
            R"("countdownDate":786931200.25,"stopwatch":{"elapsed":2},)"
            R"("calculator":{"display":"0","startsNewNumber":true},"focusIsRunning":true})"));
        QCOMPARE(*WidgetJson::encodeArrangement({}), QByteArray("[]"));
    }

    void nonFiniteNumbersFailTheEncoding()
    {
        DashboardWidget w = sampleWidget(DashboardWidgetKind::clock);
        w.x = std::numeric_limits<double>::infinity();
        QCOMPARE(WidgetJson::encodeArrangement({w}), std::nullopt);
    }

    void objectsThatMustNotDecode_data()
    {
        QTest::addColumn<QJsonObject>("object");
        const QStringList required = {QStringLiteral("id"), QStringLiteral("kind"),
            QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("note"),
            QStringLiteral("countdownTitle"), QStringLiteral("countdownDate")};
        for (const QString &key : required) {
            QJsonObject missing = completeObject();
            missing.remove(key);
            QTest::addRow("missing %s", qPrintable(key)) << missing;
            QJsonObject null = completeObject();
            null.insert(key, QJsonValue::Null);
            QTest::addRow("null %s", qPrintable(key)) << null;
        }
        auto with = [](const char *key, const QJsonValue &value) {
            QJsonObject o = completeObject();
            o.insert(QLatin1String(key), value);
            return o;
        };
        QTest::addRow("x as string") << with("x", QStringLiteral("10"));
        QTest::addRow("note as number") << with("note", 3);
        QTest::addRow("unknown kind") << with("kind", QStringLiteral("weather"));
        QTest::addRow("kind as title") << with("kind", QStringLiteral("Notes"));
        QTest::addRow("id in braces")
            << with("id", QStringLiteral("{0F8B5C3E-2A57-4C0D-9E1B-5B6A7C8D9E0F}"));
        QTest::addRow("id too short") << with("id", QStringLiteral("0F8B5C3E-2A57-4C0D-9E1B"));
        QTest::addRow("id not hex")
            << with("id", QStringLiteral("0F8B5C3E-2A57-4C0D-9E1B-5B6A7C8D9E0G"));
        QTest::addRow("converterInput as number") << with("converterInput", 1);
        QTest::addRow("focusRemaining fractional") << with("focusRemaining", 1.5);
        QTest::addRow("focusIsRunning as number") << with("focusIsRunning", 1);
        QTest::addRow("stopwatch without elapsed")
            << with("stopwatch", QJsonObject {{QStringLiteral("startedAt"), 1}});
        QTest::addRow("stopwatch as array") << with("stopwatch", QJsonArray {});
        QTest::addRow("calculator without display")
            << with("calculator", QJsonObject {{QStringLiteral("startsNewNumber"), true}});
        QTest::addRow("calculator without startsNewNumber")
            << with("calculator", QJsonObject {{QStringLiteral("display"), QStringLiteral("0")}});
    }
    void objectsThatMustNotDecode()
    {
        QFETCH(QJsonObject, object);
        QCOMPARE(WidgetJson::decodeWidget(object), std::nullopt);
        const QByteArray array = QJsonDocument(QJsonArray {completeObject(), object}).toJson();
        QCOMPARE(WidgetJson::decodeArrangement(array), std::nullopt);
    }

    void optionalsMayBeNullOrMissing()
    {
        QJsonObject o = completeObject();
        for (const char *key : {"stopwatch", "calculator", "converterInput", "converterChoice",
                 "focusRemaining", "focusIsRunning", "focusStartedAt"})
            o.insert(QLatin1String(key), QJsonValue::Null);
        o.insert(QStringLiteral("somethingNew"), QJsonArray {1, 2});
        const auto w = WidgetJson::decodeWidget(o);
        QVERIFY(w);
        QVERIFY(!w->stopwatch && !w->calculator && !w->converterInput && !w->converterChoice);
        QVERIFY(!w->focusRemaining && !w->focusIsRunning && !w->focusStartedAt);

        QJsonObject calc = completeObject();
        calc.insert(QStringLiteral("calculator"),
            QJsonObject {{QStringLiteral("display"), QStringLiteral("7")},
                {QStringLiteral("stored"), QJsonValue::Null},
                {QStringLiteral("startsNewNumber"), true}});
        const auto c = WidgetJson::decodeWidget(calc);
        QVERIFY(c && c->calculator);
        QCOMPARE(c->calculator->stored, std::nullopt);
        QCOMPARE(c->calculator->operation, std::nullopt);
    }

    void completeObjectDecodesEveryField()
    {
        const auto w = WidgetJson::decodeWidget(completeObject());
        QVERIFY(w);
        QCOMPARE(w->kind, DashboardWidgetKind::notes);
        QCOMPARE(w->y, 20.5);
        QCOMPARE(w->countdownDate.sinceReferenceDate, 700000000.5);
        QCOMPARE(w->stopwatch, (StopwatchState {Instant {1.25}, 3}));
        QCOMPARE(w->calculator->stored, 4.0);
        QCOMPARE(w->converterChoice, QStringLiteral("Miles → Kilometres"));
        QCOMPARE(w->focusRemaining, 1500);
        QCOMPARE(w->focusIsRunning, true);
        QCOMPARE(w->focusStartedAt, Instant {2.5});
        // Lower-case ids are valid text; they come back upper case.
        QJsonObject lower = completeObject();
        lower.insert(QStringLiteral("id"), QStringLiteral("0f8b5c3e-2a57-4c0d-9e1b-5b6a7c8d9e0f"));
        QCOMPARE(WidgetJson::uuidText(WidgetJson::decodeWidget(lower)->id),
            QStringLiteral("0F8B5C3E-2A57-4C0D-9E1B-5B6A7C8D9E0F"));
    }

    void arraysThatMustNotDecode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("empty") << QByteArray();
        QTest::addRow("object at top") << QByteArray("{}");
        QTest::addRow("truncated") << QByteArray("[{\"id\":");
        QTest::addRow("number element") << QByteArray("[1]");
        QTest::addRow("null element") << QByteArray("[null]");
        QTest::addRow("trailing garbage") << QByteArray("[] x");
    }
    void arraysThatMustNotDecode()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(WidgetJson::decodeArrangement(bytes), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
