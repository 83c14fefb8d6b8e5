#pragma once
// The status bar's capture panel: no capture, the file being captured to, or the file whose
// capture a failure ended. It keeps that state, so a language change can say it anew.
#include <QLabel>
#include <QString>

class CaptureStatusPanel : public QLabel {
    Q_OBJECT
public:
    enum class State { Idle, Capturing, Failed };

    explicit CaptureStatusPanel(QWidget *parent = nullptr);

    void showIdle();
    void showCapturing(const QString &fileName);
    void showFailed(const QString &fileName);
    State state() const { return m_state; }
    // Says the state in the program's current language.
    void retranslate();

private:
    State m_state = State::Idle;
    QString m_fileName;
};
