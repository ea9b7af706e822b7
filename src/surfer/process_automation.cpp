#include "surfer/process_automation.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <mutex>
#include <vector>

#include "files/user_text.h"

namespace drawfield {

ProcessAutomationClient::ProcessAutomationClient(std::map<QString, QStringList> servers,
    std::chrono::milliseconds silenceLimit, std::chrono::milliseconds startingLimit)
    : m_servers(std::move(servers))
    , m_silenceLimit(silenceLimit)
    , m_startingLimit(startingLimit)
{
}

void ProcessAutomationClient::watch(std::stop_token stop, std::function<void(double)> callProgress)
{
    m_stop = std::move(stop);
    m_callProgress = std::move(callProgress);
}

void ProcessAutomationClient::endServer(const QString& why)
{
    // A server we give up on is ended: left running it would go on writing files, or sit there
    // unanswering, long after the export.
    if (m_process != nullptr && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    m_broken = why;
}

void ProcessAutomationClient::loseServer(const QString& why, const QString& what)
{
    endServer(why);
    throw AutomationLost("cannot " + what.toStdString() + ": " + why.toStdString());
}

std::map<QString, QStringList> ProcessAutomationClient::mapperIn(const QString& folder)
{
#ifdef Q_OS_WIN
    const QString program = folder + QStringLiteral("/drawfield-mapper.exe");
#else
    const QString program = folder + QStringLiteral("/drawfield-mapper");
#endif
    return { { QStringLiteral("Surfer.Application"),
        { program, QStringLiteral("--automation") } } };
}

namespace {

    // Servers the program started and let go: destroying their QProcess would kill them, so they
    // are kept, reachable, for as long as the program runs.
    std::vector<QProcess*>& releasedServers()
    {
        static auto* servers = new std::vector<QProcess*>;
        return *servers;
    }

} // namespace

ProcessAutomationClient::~ProcessAutomationClient()
{
    if (m_process == nullptr)
        return;
    if (m_process->state() == QProcess::NotRunning) {
        delete m_process; // ended, or ended by us
        return;
    }
    // Closing our end tells the server we are gone; it decides whether to stay (its window is
    // open) or to end. Its process object goes to the main thread, whose event loop notices when
    // the server ends, whatever thread the client worked in.
    m_process->closeWriteChannel();
    m_process->disconnect();
    m_process->setParent(nullptr);
    if (QCoreApplication* application = QCoreApplication::instance())
        m_process->moveToThread(application->thread());
    static std::mutex guard;
    std::lock_guard lock(guard);
    releasedServers().push_back(m_process);
    m_process = nullptr;
}

ObjectRef ProcessAutomationClient::create(const QString& className)
{
    auto server = m_servers.find(className);
    if (server == m_servers.end() || server->second.isEmpty())
        throw AutomationError(
            "cannot create " + className.toStdString() + ": no server is registered for it");
    if (m_process == nullptr) {
        auto* process = new QProcess;
        process->setProgram(server->second.front());
        process->setArguments(server->second.mid(1));
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start();
        if (!process->waitForStarted(static_cast<int>(m_silenceLimit.count()))) {
            QString reason = process->errorString();
            delete process;
            throw AutomationError("cannot start " + server->second.front().toStdString() + ": "
                + reason.toStdString());
        }
        m_process = process;
    }
    QJsonObject message { { QStringLiteral("op"), QStringLiteral("create") },
        { QStringLiteral("class"), className } };
    AutomationValue result = request(message, QStringLiteral("create ") + className);
    if (!result.object)
        throw AutomationError(
            "cannot create " + className.toStdString() + ": the server returned no object");
    return *result.object;
}

AutomationValue ProcessAutomationClient::get(ObjectRef object, const QString& property)
{
    return request(
        { { QStringLiteral("op"), QStringLiteral("get") }, { QStringLiteral("object"), object.id },
            { QStringLiteral("name"), property } },
        QStringLiteral("get ") + property);
}

void ProcessAutomationClient::put(
    ObjectRef object, const QString& property, const QJsonValue& value)
{
    request(
        { { QStringLiteral("op"), QStringLiteral("put") }, { QStringLiteral("object"), object.id },
            { QStringLiteral("name"), property }, { QStringLiteral("value"), value } },
        QStringLiteral("put ") + property);
}

AutomationValue ProcessAutomationClient::call(
    ObjectRef object, const QString& method, const AutomationArguments& arguments)
{
    QJsonArray list;
    for (const AutomationArgument& argument : arguments) {
        QJsonObject item { { QStringLiteral("value"), argument.value } };
        if (!argument.name.isEmpty())
            item.insert(QStringLiteral("name"), argument.name);
        list.append(item);
    }
    return request(
        { { QStringLiteral("op"), QStringLiteral("call") }, { QStringLiteral("object"), object.id },
            { QStringLiteral("name"), method }, { QStringLiteral("arguments"), list } },
        QStringLiteral("call ") + method);
}

ServerReply parseReply(const QByteArray& line, int id, const QString& what)
{
    auto fail = [&](const QString& reason) {
        return AutomationError("cannot " + what.toStdString() + ": " + reason.toStdString());
    };
    QJsonParseError error {};
    QJsonDocument document = QJsonDocument::fromJson(line, &error);
    // A line that is no message: nothing the server says can be trusted after it.
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw AutomationLost("cannot " + what.toStdString()
            + ": the server's reply is not a message: " + quotedExcerpt(line.toStdString()));
    QJsonObject answer = document.object();
    ServerReply reply;
    if (answer.value(QStringLiteral("id")).toInt(-1) != id)
        return reply;
    if (answer.contains(QStringLiteral("working"))) {
        reply.kind = ServerReply::Kind::Working;
        double progress = answer.value(QStringLiteral("working")).toDouble(-1.0);
        reply.progress = progress >= 0.0 && progress <= 1.0 ? progress : -1.0;
        return reply;
    }
    if (answer.contains(QStringLiteral("error")))
        throw fail(QString::fromStdString(
            relayedText(answer.value(QStringLiteral("error")).toString().toStdString())));
    reply.kind = ServerReply::Kind::Answer;
    if (answer.contains(QStringLiteral("object")))
        reply.value.object = ObjectRef { answer.value(QStringLiteral("object")).toInt() };
    else if (answer.contains(QStringLiteral("value")))
        reply.value.value = answer.value(QStringLiteral("value"));
    else
        throw fail(QStringLiteral("the server's reply carries neither a value nor an object"));
    return reply;
}

AutomationValue ProcessAutomationClient::request(QJsonObject message, const QString& what)
{
    auto fail = [&](const QString& reason) {
        return AutomationError("cannot " + what.toStdString() + ": " + reason.toStdString());
    };
    if (m_process == nullptr)
        throw fail(QStringLiteral("no server is running"));
    if (!m_broken.isEmpty())
        throw AutomationLost("cannot " + what.toStdString() + ": " + m_broken.toStdString());

    const int id = m_nextId++;
    message.insert(QStringLiteral("id"), id);
    QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
    if (m_process->state() != QProcess::Running || m_process->write(line) != line.size())
        loseServer(QStringLiteral("the server has ended"), what);

    // The limit is on silence, not on the call: every line from the server, a sign of work
    // among them, starts it again. A server that has not answered yet may still be starting,
    // which on a busy machine takes its time.
    const std::chrono::milliseconds limit
        = m_answered ? m_silenceLimit : std::max(m_silenceLimit, m_startingLimit);
    QDeadlineTimer silence(limit);
    for (;;) {
        while (m_process->canReadLine()) {
            QByteArray reply = m_process->readLine().trimmed();
            m_answered = true;
            silence.setRemainingTime(m_silenceLimit);
            if (reply.isEmpty())
                continue;
            ServerReply parsed;
            try {
                parsed = parseReply(reply, id, what);
            } catch (const AutomationLost& lost) {
                endServer(QStringLiteral("the server's reply was not a message"));
                throw;
            }
            if (parsed.kind == ServerReply::Kind::Answer)
                return parsed.value;
            if (parsed.kind == ServerReply::Kind::Working && parsed.progress >= 0.0
                && m_callProgress)
                m_callProgress(parsed.progress);
        }
        if (m_stop.stop_requested())
            loseServer(QStringLiteral("the export was stopped"), what);
        if (m_process->state() != QProcess::Running && m_process->bytesAvailable() == 0)
            loseServer(QStringLiteral("the server has ended"), what);
        if (silence.hasExpired())
            loseServer(QStringLiteral("the server did not answer for %1 s and was ended")
                           .arg(static_cast<double>(limit.count()) / 1000.0),
                what);
        m_process->waitForReadyRead(
            static_cast<int>(std::max<qint64>(1, std::min<qint64>(silence.remainingTime(), 100))));
    }
}

} // namespace drawfield
