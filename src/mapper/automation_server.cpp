#include "mapper/automation_server.h"

#include "mapper/gridding.h"
#include "views/map_geometry.h"

#include "files/user_text.h"

#include <QFileInfo>
#include <QJsonArray>

#include <optional>
#include <variant>

namespace drawfield::mapper {

namespace {

    struct Application { };
    struct Documents { };
    struct Document {
        std::shared_ptr<PlotDocument> plot;
    };
    struct Shapes {
        std::shared_ptr<PlotDocument> plot;
    };
    struct MapFrame {
        std::shared_ptr<PlotDocument> plot;
        std::shared_ptr<Frame> frame;
    };
    struct LayerObject {
        std::shared_ptr<Layer> layer;
    };
    struct Selection {
        std::shared_ptr<PlotDocument> plot;
    };

    // A failed request: its text goes back as the reply's error.
    struct Refusal {
        QString text;
    };

    QJsonObject value(const QJsonValue& v) { return { { QStringLiteral("value"), v } }; }

    // A name a client sent, as a message quotes it: short and escaped.
    QString quoted(const QString& name)
    {
        return QString::fromStdString(quotedExcerpt(name.toStdString()));
    }

    // The arguments of a call, positional or by name.
    class Arguments {
    public:
        explicit Arguments(const QJsonArray& list)
        {
            for (const QJsonValue& item : list) {
                QJsonObject argument = item.toObject();
                if (argument.contains(QStringLiteral("name")))
                    m_named[argument.value(QStringLiteral("name")).toString().toLower()]
                        = argument.value(QStringLiteral("value"));
                else
                    m_positional.push_back(argument.value(QStringLiteral("value")));
            }
        }
        // The argument given by name or at position; it must be there.
        [[nodiscard]] QJsonValue required(
            const QString& member, const QString& name, std::size_t position) const
        {
            if (auto named = m_named.find(name.toLower()); named != m_named.end())
                return named->second;
            if (position < m_positional.size())
                return m_positional[position];
            throw Refusal { member + QStringLiteral(": the argument ") + name
                + QStringLiteral(" is missing") };
        }
        [[nodiscard]] QString text(
            const QString& member, const QString& name, std::size_t position) const
        {
            QJsonValue v = required(member, name, position);
            if (!v.isString() || v.toString().isEmpty())
                throw Refusal { member + QStringLiteral(": the argument ") + name
                    + QStringLiteral(" must be a file name") };
            return v.toString();
        }
        [[nodiscard]] bool empty() const { return m_named.empty() && m_positional.empty(); }

    private:
        std::map<QString, QJsonValue> m_named;
        std::vector<QJsonValue> m_positional;
    };

    bool truth(const QString& member, const QJsonValue& v)
    {
        if (v.isBool())
            return v.toBool();
        if (v.isDouble())
            return v.toDouble() != 0.0;
        throw Refusal { member + QStringLiteral(": the value must be True or False") };
    }

} // namespace

struct AutomationServer::Object {
    std::variant<Application, Documents, Document, Shapes, MapFrame, LayerObject, Selection> kind;
};

AutomationServer::AutomationServer(
    std::function<void()> showWindow, std::function<void()> plotChanged)
    : m_showWindow(std::move(showWindow))
    , m_plotChanged(std::move(plotChanged))
{
}

AutomationServer::~AutomationServer() = default;

const PlotDocument* AutomationServer::shownDocument() const { return m_shown.get(); }

int AutomationServer::add(std::shared_ptr<Object> object)
{
    int id = m_nextId++;
    m_objects[id] = std::move(object);
    return id;
}

QJsonObject AutomationServer::handle(const QJsonObject& request)
{
    QJsonObject reply;
    try {
        const QString op = request.value(QStringLiteral("op")).toString();
        if (op == QLatin1String("create")) {
            QString className = request.value(QStringLiteral("class")).toString();
            if (className != QLatin1String("Surfer.Application"))
                throw Refusal { QStringLiteral("no class is named ") + quoted(className) };
            reply = { { QStringLiteral("object"),
                add(std::make_shared<Object>(Object { Application {} })) } };
        } else {
            auto found = m_objects.find(request.value(QStringLiteral("object")).toInt(-1));
            if (found == m_objects.end())
                throw Refusal { QStringLiteral("no such object") };
            if (op != QLatin1String("get") && op != QLatin1String("put")
                && op != QLatin1String("call"))
                throw Refusal { QStringLiteral("no operation is named ") + quoted(op) };
            reply = dispatch(
                *found->second, op, request.value(QStringLiteral("name")).toString(), request);
        }
    } catch (const Refusal& refusal) {
        reply = { { QStringLiteral("error"), refusal.text } };
    } catch (const MapperError& error) {
        reply = { { QStringLiteral("error"), QString::fromLocal8Bit(error.what()) } };
    } catch (const std::bad_alloc&) {
        // A request that asks for more memory than there is fails alone; the server goes on.
        reply = { { QStringLiteral("error"),
            QStringLiteral("there is not enough memory for this request") } };
    } catch (const std::exception& error) {
        reply = { { QStringLiteral("error"), QString::fromLocal8Bit(error.what()) } };
    }
    reply.insert(QStringLiteral("id"), request.value(QStringLiteral("id")));
    return reply;
}

QJsonObject AutomationServer::dispatch(
    Object& object, const QString& op, const QString& name, const QJsonObject& request)
{
    const Arguments arguments(request.value(QStringLiteral("arguments")).toArray());
    const QJsonValue given = request.value(QStringLiteral("value"));
    auto is = [&](const char* wantedOp, const char* member) {
        return op == QLatin1String(wantedOp)
            && name.compare(QLatin1String(member), Qt::CaseInsensitive) == 0;
    };
    auto newObject = [&](auto kind) {
        return QJsonObject { { QStringLiteral("object"),
            add(std::make_shared<Object>(Object { kind })) } };
    };
    auto unknown = [&](const char* kind) {
        return Refusal { QString::fromLatin1(kind) + QStringLiteral(" has no member ")
            + quoted(name) + QStringLiteral(" to ") + op };
    };

    if (std::holds_alternative<Application>(object.kind)) {
        if (is("get", "Visible"))
            return value(m_visible);
        if (is("put", "Visible")) {
            m_visible = truth(name, given);
            if (m_visible && m_showWindow)
                m_showWindow();
            return value(QJsonValue());
        }
        if (is("call", "GridData")) {
            QString data = arguments.text(name, QStringLiteral("DataFile"), 0);
            QString grid = arguments.text(name, QStringLiteral("OutGrid"), 1);
            try {
                gridPoints(readPoints(data, true), grid, onProgress);
            } catch (const MapperError& error) {
                // The window would stay a blank page: it says why instead.
                m_note = QString::fromStdString(error.what());
                if (m_plotChanged)
                    m_plotChanged();
                throw;
            }
            m_note.clear();
            return value(grid);
        }
        if (is("get", "Documents"))
            return newObject(Documents {});
        throw unknown("Application");
    }
    if (std::holds_alternative<Documents>(object.kind)) {
        if (is("call", "Add")) {
            m_shown = std::make_shared<PlotDocument>();
            if (m_plotChanged)
                m_plotChanged();
            return newObject(Document { m_shown });
        }
        throw unknown("Documents");
    }
    if (auto* document = std::get_if<Document>(&object.kind)) {
        if (is("get", "Shapes"))
            return newObject(Shapes { document->plot });
        if (is("get", "Selection"))
            return newObject(Selection { document->plot });
        if (is("call", "Export")) {
            QString file = arguments.text(name, QStringLiteral("FileName"), 0);
            QString optionText;
            try {
                optionText = arguments.required(name, QStringLiteral("Options"), 1).toString();
            } catch (const Refusal&) {
                // Options are optional.
            }
            exportPlot(*document->plot, file, optionText);
            return value(true);
        }
        if (is("call", "SaveAs")) {
            document->plot->save(arguments.text(name, QStringLiteral("FileName"), 0));
            return value(true);
        }
        throw unknown("PlotDocument");
    }
    if (auto* shapes = std::get_if<Shapes>(&object.kind)) {
        bool contour = is("call", "AddContourMap");
        if (contour || is("call", "AddPostMap")) {
            QString file = arguments.text(
                name, contour ? QStringLiteral("GridFileName") : QStringLiteral("DataFileName"), 0);
            auto frame = std::make_shared<Frame>();
            auto layer = std::make_shared<Layer>();
            layer->kind = contour ? Layer::Kind::Contour : Layer::Kind::Post;
            layer->file = QFileInfo(file).absoluteFilePath();
            // Read now: a grid or point file that cannot be read is refused here.
            if (contour)
                static_cast<void>(layer->gridField());
            else
                layer->pointSet();
            frame->layers.push_back(layer);
            frame->selected = true; // a new map is selected
            shapes->plot->frames.push_back(frame);
            if (m_plotChanged)
                m_plotChanged();
            return newObject(MapFrame { shapes->plot, frame });
        }
        throw unknown("Shapes");
    }
    if (auto* frame = std::get_if<MapFrame>(&object.kind)) {
        if (is("call", "Overlays") || is("get", "Overlays")) {
            QJsonValue index = arguments.required(name, QStringLiteral("Index"), 0);
            int i = index.toInt(0);
            if (i < 1 || i > static_cast<int>(frame->frame->layers.size()))
                throw Refusal { name + QStringLiteral(": no overlay ") + QString::number(i) };
            return newObject(LayerObject { frame->frame->layers[static_cast<std::size_t>(i - 1)] });
        }
        if (is("get", "Selected"))
            return value(frame->frame->selected);
        if (is("put", "Selected")) {
            frame->frame->selected = truth(name, given);
            return value(QJsonValue());
        }
        throw unknown("MapFrame");
    }
    if (auto* layer = std::get_if<LayerObject>(&object.kind)) {
        bool contour = layer->layer->kind == Layer::Kind::Contour;
        if (contour && (is("get", "FillContours") || is("put", "FillContours"))) {
            if (op == QLatin1String("get"))
                return value(layer->layer->fillContours);
            layer->layer->fillContours = truth(name, given);
        } else if (contour && (is("get", "ShowColorScale") || is("put", "ShowColorScale"))) {
            if (op == QLatin1String("get"))
                return value(layer->layer->showColorScale);
            layer->layer->showColorScale = truth(name, given);
        } else if (contour && is("get", "Levels")) {
            QJsonArray levels;
            MapGeometry map = buildMapGeometry(layer->layer->gridField(), false, true);
            for (double level : map.scale.levels())
                levels.append(level);
            return value(levels);
        } else {
            throw unknown(contour ? "ContourLayer" : "PostLayer");
        }
        if (m_plotChanged)
            m_plotChanged();
        return value(QJsonValue());
    }
    if (auto* selection = std::get_if<Selection>(&object.kind)) {
        if (is("call", "OverlayMaps")) {
            // The selected frames become one, their layers in the order the frames were made.
            std::shared_ptr<Frame> target;
            auto& frames = selection->plot->frames;
            for (auto it = frames.begin(); it != frames.end();) {
                if (!(*it)->selected) {
                    ++it;
                    continue;
                }
                if (!target) {
                    target = *it++;
                    continue;
                }
                target->layers.insert(
                    target->layers.end(), (*it)->layers.begin(), (*it)->layers.end());
                it = frames.erase(it);
            }
            if (!target)
                throw Refusal { name + QStringLiteral(": no map is selected") };
            if (m_plotChanged)
                m_plotChanged();
            return newObject(MapFrame { selection->plot, target });
        }
        throw unknown("Selection");
    }
    throw Refusal { QStringLiteral("no such object") };
}

} // namespace drawfield::mapper
