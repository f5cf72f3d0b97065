#pragma once

#include <QObject>

class QWidget;

namespace rv::backup {

// While a backup runs, the main window takes no clicks or keys, so that
// neither of its buttons can start anything; the progress dialog, a window of
// its own, still does. A close request goes through: it cancels the run.
// Shows the busy pointer meanwhile.
class RunInputGuard final : public QObject {
    Q_OBJECT
public:
    explicit RunInputGuard(QWidget& window);
    ~RunInputGuard() override;
    RunInputGuard(const RunInputGuard&) = delete;
    RunInputGuard& operator=(const RunInputGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
};

} // namespace rv::backup
