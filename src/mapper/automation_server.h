#pragma once

// The objects the mapping program offers by automation, and the dispatch of one request to them.
// Members (as the export uses them):
//
//   Application  Visible (get, put), GridData(DataFile=, OutGrid=), Documents (get)
//   Documents    Add() -> PlotDocument
//   PlotDocument Shapes (get), Selection (get), Export(FileName=, Options=), SaveAs(FileName)
//   Shapes       AddContourMap(GridFileName) -> MapFrame, AddPostMap(DataFileName) -> MapFrame
//   MapFrame     Overlays(index) -> layer, Selected (get, put)
//   ContourLayer FillContours, ShowColorScale (get, put), Levels (get)
//   Selection    OverlayMaps() -> MapFrame
//
// A new map frame is selected when it is made. An unknown member or a wrong argument is an error
// that names it.

#include "mapper/plot.h"

#include <QJsonObject>

#include <functional>
#include <map>
#include <memory>

namespace drawfield::mapper {

class AutomationServer {
public:
    // showWindow is called when the application's Visible is set to True; plotChanged after any
    // change the window should show.
    AutomationServer(std::function<void()> showWindow, std::function<void()> plotChanged);
    ~AutomationServer();

    // One request in, its reply out (see surfer/process_automation.h for the messages).
    [[nodiscard]] QJsonObject handle(const QJsonObject& request);

    // Hears how far a long request (the gridding) has come, from 0 to 1, while it works.
    std::function<void(double)> onProgress;

    // The document the window shows: the last one added.
    [[nodiscard]] const PlotDocument* shownDocument() const;
    // Why the window has no map to show, when a request failed for it ("Cannot read the point
    // file ...: it holds no point ..."); empty otherwise.
    [[nodiscard]] const QString& note() const { return m_note; }
    [[nodiscard]] bool isVisible() const { return m_visible; }

private:
    struct Object;
    [[nodiscard]] QJsonObject dispatch(
        Object& object, const QString& op, const QString& name, const QJsonObject& request);
    [[nodiscard]] int add(std::shared_ptr<Object> object);

    std::function<void()> m_showWindow;
    std::function<void()> m_plotChanged;
    std::map<int, std::shared_ptr<Object>> m_objects;
    int m_nextId = 1;
    bool m_visible = false;
    std::shared_ptr<PlotDocument> m_shown;
    QString m_note;
};

} // namespace drawfield::mapper
