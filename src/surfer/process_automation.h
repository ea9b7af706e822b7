#pragma once

// The automation client that starts the server as a process of its own and talks to it over its
// standard input and output, one JSON message per line:
//
//   request  {"id": 7, "op": "create"|"get"|"put"|"call", "class"|"object": ..., "name": ...,
//             "value": ..., "arguments": [{"name": "DataFile", "value": "..."}, {"value": 1}]}
//   reply    {"id": 7, "value": ...} | {"id": 7, "object": 3} | {"id": 7, "error": "..."}
//
//   while working  {"id": 7, "working": 0.42}   (four times a second; the fraction done, or -1)
//
// Every reply is checked: a malformed reply or a server that died is a failed call
// (AutomationError), never a hang. A call may take as long as the work needs while the server
// says it is working; a server silent for longer than the silence limit is ended, as it is when
// a stop is asked for (AutomationLost). After that the connection is lost and later calls fail
// at once.
//
// Otherwise the server outlives the client: destroying the client only closes its end of the
// pipe, and the server process is left running (a mapping program keeps its window open for the
// user).

#include "surfer/automation.h"

#include <QStringList>

#include <chrono>
#include <map>

class QProcess;

namespace drawfield {

// What one line from the server says about the request numbered id.
struct ServerReply {
    enum class Kind {
        OtherRequest, // a late reply to a call that already failed: read on
        Working, // the server is still working on the request; progress from 0 to 1, or -1
        Answer, // the request's result
    };
    Kind kind = Kind::OtherRequest;
    double progress = -1.0;
    AutomationValue value;
};

// Reads one reply line. Throws AutomationError (naming `what`, the request) when the line carries
// the server's error, AutomationLost when it is no message at all.
[[nodiscard]] ServerReply parseReply(const QByteArray& line, int id, const QString& what);

class ProcessAutomationClient : public AutomationClient {
public:
    // Each class name maps to the command line of the program that serves it. Until the server
    // has first answered, it may be starting, and the longer of the two limits holds.
    ProcessAutomationClient(std::map<QString, QStringList> servers,
        std::chrono::milliseconds silenceLimit = std::chrono::seconds(30),
        std::chrono::milliseconds startingLimit = std::chrono::seconds(30));
    // The mapping program's class, "Surfer.Application", served by drawfield-mapper in folder.
    [[nodiscard]] static std::map<QString, QStringList> mapperIn(const QString& folder);

    ~ProcessAutomationClient() override;
    ProcessAutomationClient(const ProcessAutomationClient&) = delete;
    ProcessAutomationClient& operator=(const ProcessAutomationClient&) = delete;

    ObjectRef create(const QString& className) override;
    AutomationValue get(ObjectRef object, const QString& property) override;
    void put(ObjectRef object, const QString& property, const QJsonValue& value) override;
    AutomationValue call(ObjectRef object, const QString& method,
        const AutomationArguments& arguments = {}) override;
    void watch(std::stop_token stop, std::function<void(double)> callProgress) override;

private:
    AutomationValue request(class QJsonObject message, const QString& what);
    void endServer(const QString& why);
    [[noreturn]] void loseServer(const QString& why, const QString& what);

    std::map<QString, QStringList> m_servers;
    std::chrono::milliseconds m_silenceLimit;
    std::chrono::milliseconds m_startingLimit;
    std::stop_token m_stop;
    std::function<void(double)> m_callProgress;
    QProcess* m_process = nullptr;
    int m_nextId = 1;
    bool m_answered = false; // the server has said something since it started
    QString m_broken; // why the connection no longer works; empty while it does
};

} // namespace drawfield
