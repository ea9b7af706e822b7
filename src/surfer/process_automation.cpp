#include "surfer/process_automation.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <mutex>
#include <vector>

#include "compute/user_text.h"

namespace drawfield {

ProcessAutomationClient::ProcessAutomationClient(
    std::map<QString, QStringList> servers, std::chrono::milliseconds timeout)
    : m_servers(std::move(servers))
    , m_timeout(timeout)
{
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
        if (!process->waitForStarted(static_cast<int>(m_timeout.count()))) {
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
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw fail(QStringLiteral("the server's reply is not a message: ")
            + QString::fromStdString(quotedExcerpt(line.toStdString())));
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
        throw fail(m_broken);

    const int id = m_nextId++;
    message.insert(QStringLiteral("id"), id);
    QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
    if (m_process->state() != QProcess::Running || m_process->write(line) != line.size()) {
        m_broken = QStringLiteral("the server has ended");
        throw fail(m_broken);
    }

    QDeadlineTimer deadline(m_timeout);
    for (;;) {
        while (m_process->canReadLine()) {
            QByteArray line = m_process->readLine().trimmed();
            if (line.isEmpty())
                continue;
            ServerReply reply = parseReply(line, id, what);
            if (reply.kind == ServerReply::Kind::Answer)
                return reply.value;
        }
        if (m_process->state() != QProcess::Running && m_process->bytesAvailable() == 0) {
            m_broken = QStringLiteral("the server has ended");
            throw fail(m_broken);
        }
        if (deadline.hasExpired()) {
            m_broken = QStringLiteral("the server did not answer within %1 s")
                           .arg(m_timeout.count() / 1000.0);
            throw fail(m_broken);
        }
        m_process->waitForReadyRead(
            static_cast<int>(std::max<qint64>(1, std::min<qint64>(deadline.remainingTime(), 200))));
    }
}

} // namespace drawfield
