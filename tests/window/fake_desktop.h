#pragma once

// A desktop that records what the window asks of it and answers as the test says.

#include "window/desktop.h"

#include <QStringList>

#include <deque>
#include <vector>

struct ShownMessage {
    QString text;
    drawfield::MessageIcon icon;
    std::optional<QString> title;
};

class FakeDesktop : public drawfield::Desktop {
public:
    explicit FakeDesktop(QString folder)
        : m_folder(std::move(folder))
    {
    }

    void showMessage(QWidget*, const QString& text, drawfield::MessageIcon icon,
        const std::optional<QString>& title) override
    {
        messages.push_back({ text, icon, title });
    }
    void beep() override { ++beeps; }
    bool openTextFile(const QString& path) override
    {
        textFiles << path;
        return textViewerWorks;
    }
    bool openWebAddress(QWidget*, const QString& address) override
    {
        webAddresses << address;
        return browserWorks;
    }
    std::optional<QString> askSaveFileName(
        QWidget*, const QString& title, const QString& filter, const QString& initialPath) override
    {
        dialogs.push_back({ title, filter, initialPath });
        if (saveAnswers.empty())
            return std::nullopt;
        QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<QString> askOpenFileName(
        QWidget*, const QString& title, const QString& filter, const QString& initialPath) override
    {
        dialogs.push_back({ title, filter, initialPath });
        if (openAnswers.empty())
            return std::nullopt;
        QString answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    bool askToReplace(QWidget*, const QStringList& existing) override
    {
        replaceQuestions << existing.join(QLatin1Char('|'));
        if (replaceAnswers.empty())
            return true;
        const bool answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }
    drawfield::UnsavedChoice askUnsavedChanges(QWidget*, const QString& fileName) override
    {
        unsavedQuestions << fileName;
        if (unsavedAnswers.empty())
            return drawfield::UnsavedChoice::Cancel;
        drawfield::UnsavedChoice answer = unsavedAnswers.front();
        unsavedAnswers.pop_front();
        return answer;
    }
    QStringList recentFiles() const override { return recent; }
    void setRecentFiles(const QStringList& files) override { recent = files; }
    QStringList rememberedUnits() const override { return units; }
    void setRememberedUnits(const QStringList& words) override { units = words; }
    QString programFolder() const override { return m_folder; }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const ShownMessage& message : messages)
            texts << message.text;
        return texts;
    }

    std::vector<ShownMessage> messages;
    int beeps = 0;
    QStringList textFiles;
    QStringList webAddresses;
    bool browserWorks = true;
    bool textViewerWorks = true;
    struct Dialog {
        QString title, filter, initialPath;
    };
    std::vector<Dialog> dialogs;
    std::deque<QString> saveAnswers; // none left: the dialog is cancelled
    std::deque<QString> openAnswers; // none left: the dialog is cancelled
    std::deque<drawfield::UnsavedChoice> unsavedAnswers; // none left: Cancel
    QStringList unsavedQuestions; // the file names asked about
    std::deque<bool> replaceAnswers; // none left: replace
    QStringList replaceQuestions; // the files asked about, each set joined by |
    QStringList recent;
    QStringList units;

private:
    QString m_folder;
};
