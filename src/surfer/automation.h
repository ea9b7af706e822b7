#pragma once

// Late-bound automation: objects reached by member name, as a mapping program's automation server
// offers them. A client gets and puts properties and calls methods by name, with positional and
// named arguments; a result is a value or a new object. Every failure throws AutomationError.

#include <QJsonValue>
#include <QString>

#include <optional>
#include <stdexcept>
#include <vector>

namespace drawfield {

class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
    virtual ObjectRef create(const QString& className) = 0;
    virtual AutomationValue get(ObjectRef object, const QString& property) = 0;
    virtual void put(ObjectRef object, const QString& property, const QJsonValue& value) = 0;
    virtual AutomationValue call(
        ObjectRef object, const QString& method, const AutomationArguments& arguments = {})
        = 0;
};

} // namespace drawfield
