#include "surfer/process_automation.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

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

ProcessAutomationClient::~ProcessAutomationClient()
{
    if (m_process == nullptr)
        return;
    // Closing our end tells the server we are gone; it decides whether to stay (its window is
    // open) or to end. The process object is let go rather than destroyed, since destroying it
    // would kill the server.
    m_process->closeWriteChannel();
    m_process->disconnect();
    m_process->setParent(nullptr);
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
            QByteArray reply = m_process->readLine().trimmed();
            if (reply.isEmpty())
                continue;
            QJsonParseError error {};
            QJsonDocument document = QJsonDocument::fromJson(reply, &error);
            if (error.error != QJsonParseError::NoError || !document.isObject())
                throw fail(QStringLiteral("the server's reply is not a message: ")
                    + QString::fromUtf8(reply.left(80)));
            QJsonObject answer = document.object();
            if (answer.value(QStringLiteral("id")).toInt(-1) != id)
                continue; // a late reply to a call that already failed
            if (answer.contains(QStringLiteral("error")))
                throw fail(answer.value(QStringLiteral("error")).toString());
            AutomationValue result;
            if (answer.contains(QStringLiteral("object")))
                result.object = ObjectRef { answer.value(QStringLiteral("object")).toInt() };
            else if (answer.contains(QStringLiteral("value")))
                result.value = answer.value(QStringLiteral("value"));
            else
                throw fail(
                    QStringLiteral("the server's reply carries neither a value nor an object"));
            return result;
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
