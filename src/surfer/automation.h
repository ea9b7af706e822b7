#pragma once

// Late-bound automation: objects reached by member name, as a mapping program's automation server
// offers them. A client gets and puts properties and calls methods by name, with positional and
// named arguments; a result is a value or a new object. Every failure throws AutomationError.

#include <QJsonValue>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <vector>

namespace drawfield {

class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The connection itself is gone, not one call: the server ended, or stopped answering and was
// ended, or a stop was asked for. Every later call fails the same way.
class AutomationLost : public AutomationError {
public:
    using AutomationError::AutomationError;
};

// An object of the server, by the number the server gave it.
struct ObjectRef {
    int id = 0;
    bool operator==(const ObjectRef&) const = default;
};

// What a get or a call returns: a new object, or a plain value (null when there is none).
struct AutomationValue {
    std::optional<ObjectRef> object;
    QJsonValue value;
};

// An argument; one with a name goes with its name ("DataFile", "FileName"...), one without is
// positional.
struct AutomationArgument {
    QString name;
    QJsonValue value;
};

using AutomationArguments = std::vector<AutomationArgument>;

// The seam to the outside program: the real client talks to a server process, tests use fakes.
class AutomationClient {
public:
    virtual ~AutomationClient() = default;
    // Creates an object of a class the server registers ("Surfer.Application").
    [[nodiscard]] virtual ObjectRef create(const QString& className) = 0;
    virtual AutomationValue get(ObjectRef object, const QString& property) = 0;
    virtual void put(ObjectRef object, const QString& property, const QJsonValue& value) = 0;
    virtual AutomationValue call(
        ObjectRef object, const QString& method, const AutomationArguments& arguments = {})
        = 0;

    // From now on, a stop asked for through `stop` ends the call in progress (AutomationLost),
    // and callProgress hears how far the server has come within a call, from 0 to 1, when it
    // says. A client that cannot be interrupted ignores both.
    virtual void watch(std::stop_token stop, std::function<void(double)> callProgress)
    {
        (void)stop;
        (void)callProgress;
    }
};

} // namespace drawfield
