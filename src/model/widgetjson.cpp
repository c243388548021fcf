#include "widgetjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Hand-written so that keys come out in field order (QJsonObject sorts them) and so
// that a save of a small arrangement stays in the microseconds.
class Writer
{
public:
    explicit Writer(qsizetype reserve) { m_out.reserve(reserve); }

    bool failed() const { return m_failed; }
    QByteArray take() { return std::move(m_out); }

    void raw(char c) { m_out.append(c); }
    void raw(const char *text) { m_out.append(text); }

    void key(const char *name)
    {
        if (m_needsComma)
            m_out.append(',');
        m_out.append('"');
        m_out.append(name);
        m_out.append("\":");
        m_needsComma = true;
    }
    void open(char brace)
    {
        if (brace == '{' || brace == '[')
            m_needsComma = false;
        m_out.append(brace);
    }
    void close(char brace)
    {
        m_out.append(brace);
        m_needsComma = true;
    }
    void arraySeparator()
    {
        m_out.append(',');
        m_needsComma = false;
    }

    void number(double value)
    {
        if (!std::isfinite(value)) {
            m_failed = true;
            return;
        }
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        m_out.append(buffer, result.ptr - buffer);
    }
    void integer(qint64 value)
    {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        m_out.append(buffer, result.ptr - buffer);
    }
    void boolean(bool value) { m_out.append(value ? "true" : "false"); }

    void string(const QString &text)
    {
        if (hasLoneSurrogate(text)) {
            stringWithLoneSurrogates(text);
            return;
        }
        m_out.append('"');
        escaped(text.toUtf8());
        m_out.append('"');
    }

private:
    static bool hasLoneSurrogate(const QString &text)
    {
        const QChar *p = text.constData();
        const QChar *end = p + text.size();
        for (; p != end; ++p) {
            if (!p->isSurrogate())
                continue;
            if (p->isHighSurrogate() && p + 1 != end && (p + 1)->isLowSurrogate())
                ++p;
            else
                return true;
        }
        return false;
    }

    // UTF-8 cannot carry a lone surrogate; JSON's \u escape can, so such text still
    // comes back exactly as it was read.
    void stringWithLoneSurrogates(const QString &text)
    {
        m_out.append('"');
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (!c.isSurrogate())
                continue;
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                ++i;
                continue;
            }
            escaped(QStringView(text).mid(start, i - start).toUtf8());
            m_out.append(QByteArray("\\u") + QByteArray::number(c.unicode(), 16));
            start = i + 1;
        }
        escaped(QStringView(text).mid(start).toUtf8());
        m_out.append('"');
    }

    void escaped(const QByteArray &utf8)
    {
        static constexpr char hex[] = "0123456789abcdef";
        const char *run = utf8.constData();
        const char *end = run + utf8.size();
        for (const char *p = run; p != end; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            if (c >= 0x20 && c != '"' && c != '\\')
                continue;
            m_out.append(run, p - run);
            run = p + 1;
            switch (c) {
            case '"':
                m_out.append("\\\"");
                break;
            case '\\':
                m_out.append("\\\\");
                break;
            case '\n':
                m_out.append("\\n");
                break;
            case '\r':
                m_out.append("\\r");
                break;
            case '\t':
                m_out.append("\\t");
                break;
            case '\b':
                m_out.append("\\b");
                break;
            case '\f':
                m_out.append("\\f");
                break;
            default:
                m_out.append("\\u00");
                m_out.append(hex[c >> 4]);
                m_out.append(hex[c & 0xF]);
            }
        }
        m_out.append(run, end - run);
    }

    QByteArray m_out;
    bool m_needsComma = false;
    bool m_failed = false;
};

void writeWidget(Writer &w, const DashboardWidget &widget)
{
    w.open('{');
    w.key("id");
    w.string(WidgetJson::uuidText(widget.id));
    w.key("kind");
    w.string(WidgetKinds::rawIdentifier(widget.kind));
    w.key("x");
    w.number(widget.x);
    w.key("y");
    w.number(widget.y);
    w.key("note");
    w.string(widget.note);
    w.key("countdownTitle");
    w.string(widget.countdownTitle);
    w.key("countdownDate");
    w.number(widget.countdownDate.sinceReferenceDate);
    if (widget.stopwatch) {
        w.key("stopwatch");
        w.open('{');
        if (widget.stopwatch->startedAt) {
            w.key("startedAt");
            w.number(widget.stopwatch->startedAt->sinceReferenceDate);
        }
        w.key("elapsed");
        w.number(widget.stopwatch->elapsed);
        w.close('}');
    }
    if (widget.calculator) {
        const CalculatorState &c = *widget.calculator;
        w.key("calculator");
        w.open('{');
        w.key("display");
        w.string(c.display);
        if (c.stored) {
            w.key("stored");
            w.number(*c.stored);
        }
        if (c.operation) {
            w.key("operation");
            w.string(*c.operation);
        }
        w.key("startsNewNumber");
        w.boolean(c.startsNewNumber);
        w.close('}');
    }
    if (widget.converterInput) {
        w.key("converterInput");
        w.string(*widget.converterInput);
    }
    if (widget.converterChoice) {
        w.key("converterChoice");
        w.string(*widget.converterChoice);
    }
    if (widget.focusRemaining) {
        w.key("focusRemaining");
        w.integer(*widget.focusRemaining);
    }
    if (widget.focusIsRunning) {
        w.key("focusIsRunning");
        w.boolean(*widget.focusIsRunning);
    }
    if (widget.focusStartedAt) {
        w.key("focusStartedAt");
        w.number(widget.focusStartedAt->sinceReferenceDate);
    }
    w.close('}');
}

// Reading: a required key must be present with the right type; an optional one may be
// missing or null, but a present value of the wrong type fails the object.
enum class Presence { Missing, Null, Present };

Presence presence(const QJsonValue &value)
{
    if (value.isUndefined())
        return Presence::Missing;
    if (value.isNull())
        return Presence::Null;
    return Presence::Present;
}

bool readNumber(const QJsonValue &value, double &out)
{
    if (!value.isDouble())
        return false;
    out = value.toDouble();
    return true;
}

bool readString(const QJsonValue &value, QString &out)
{
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

template<typename T, typename Read>
bool readOptional(const QJsonValue &value, std::optional<T> &out, Read read)
{
    switch (presence(value)) {
    case Presence::Missing:
    case Presence::Null:
        out.reset();
        return true;
    case Presence::Present:
        break;
    }
    T item {};
    if (!read(value, item))
        return false;
    out = std::move(item);
    return true;
}

bool readInstant(const QJsonValue &value, Instant &out)
{
    return readNumber(value, out.sinceReferenceDate);
}

bool readBool(const QJsonValue &value, bool &out)
{
    if (!value.isBool())
        return false;
    out = value.toBool();
    return true;
}

bool readInteger(const QJsonValue &value, qint64 &out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    constexpr double limit = 9223372036854775807.0;
    if (!std::isfinite(d) || std::trunc(d) != d || d < -limit || d >= limit)
        return false;
    out = value.toInteger(static_cast<qint64>(d));
    return true;
}

bool readStopwatch(const QJsonValue &value, StopwatchState &out)
{
    if (!value.isObject())
        return false;
    const QJsonObject o = value.toObject();
    return readOptional(o.value(QLatin1String("startedAt")), out.startedAt, readInstant)
        && readNumber(o.value(QLatin1String("elapsed")), out.elapsed);
}

bool readCalculator(const QJsonValue &value, CalculatorState &out)
{
    if (!value.isObject())
        return false;
    const QJsonObject o = value.toObject();
    return readString(o.value(QLatin1String("display")), out.display)
        && readOptional(o.value(QLatin1String("stored")), out.stored, readNumber)
        && readOptional(o.value(QLatin1String("operation")), out.operation, readString)
        && readBool(o.value(QLatin1String("startsNewNumber")), out.startsNewNumber);
}

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

namespace WidgetJson {

std::optional<QUuid> parseUuid(QStringView text)
{
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < 36; ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != u'-' : !isHex(text[i]))
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<DashboardWidget> decodeWidget(const QJsonObject &o)
{
    DashboardWidget w;
    QString text;
    if (!readString(o.value(QLatin1String("id")), text))
        return std::nullopt;
    const auto id = parseUuid(text);
    if (!id)
        return std::nullopt;
    w.id = *id;

    if (!readString(o.value(QLatin1String("kind")), text))
        return std::nullopt;
    const auto kind = WidgetKinds::fromRawIdentifier(text);
    if (!kind)
        return std::nullopt;
    w.kind = *kind;

    const bool ok = readNumber(o.value(QLatin1String("x")), w.x)
        && readNumber(o.value(QLatin1String("y")), w.y)
        && readString(o.value(QLatin1String("note")), w.note)
        && readString(o.value(QLatin1String("countdownTitle")), w.countdownTitle)
        && readInstant(o.value(QLatin1String("countdownDate")), w.countdownDate)
        && readOptional(o.value(QLatin1String("stopwatch")), w.stopwatch, readStopwatch)
        && readOptional(o.value(QLatin1String("calculator")), w.calculator, readCalculator)
        && readOptional(o.value(QLatin1String("converterInput")), w.converterInput, readString)
        && readOptional(o.value(QLatin1String("converterChoice")), w.converterChoice, readString)
        && readOptional(o.value(QLatin1String("focusRemaining")), w.focusRemaining, readInteger)
        && readOptional(o.value(QLatin1String("focusIsRunning")), w.focusIsRunning, readBool)
        && readOptional(o.value(QLatin1String("focusStartedAt")), w.focusStartedAt, readInstant);
    if (!ok)
        return std::nullopt;
    return w;
}

std::optional<QByteArray> encodeArrangement(const QList<DashboardWidget> &widgets)
{
    qsizetype reserve = 2;
    for (const DashboardWidget &widget : widgets)
        reserve += 320 + widget.note.size() * 3 + widget.countdownTitle.size() * 3;
    Writer w(reserve);
    w.open('[');
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        if (i > 0)
            w.arraySeparator();
        writeWidget(w, widgets[i]);
    }
    w.close(']');
    if (w.failed())
        return std::nullopt;
    return w.take();
}

std::optional<QList<DashboardWidget>> decodeArrangement(QByteArrayView bytes)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<DashboardWidget> widgets;
    widgets.reserve(array.size());
    for (const QJsonValue &value : array) {
        if (!value.isObject())
            return std::nullopt;
        auto widget = decodeWidget(value.toObject());
        if (!widget)
            return std::nullopt;
        widgets.append(std::move(*widget));
    }
    return widgets;
}

} // namespace WidgetJson
