#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

// The small window shown while the tool starts: the product browser's rows take seconds
// to load on a large catalogue. It shows how many products have been loaded so far.
//
// The load runs without an event loop, so the splash paints itself synchronously, at
// most once per minimum interval; between two paints a count costs a comparison and a
// clock reading. It closes itself as soon as any other top-level window is shown: the
// main window, or a message box that start-up raises (which it must never hide).
class StartUpSplash : public QWidget
{
    Q_OBJECT
public:
    explicit StartUpSplash(int minIntervalMs = 200);
    ~StartUpSplash() override;

    // Shows the splash and waits (briefly, at most timeoutMs) until the window system
    // has put it on screen, so that the paints during the load are seen.
    void showNow(int timeoutMs = 500);

    // rows products loaded so far. Painted when the minimum interval has passed since
    // the last paint, or when final is set (the load is complete).
    void rowsLoaded(int rows, bool final = false);

    QString message() const { return m_message; }
    int paints() const { return m_paints; } // synchronous paints of a new count

    // The message for a count ("已載入 1,234 筆商品").
    static QString messageFor(int rows);

signals:
    void messageChanged(const QString &message);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void stopWatching();

    QString m_message;
    QElapsedTimer m_sincePaint;
    int m_minIntervalMs;
    int m_paints = 0;
    bool m_watching = false;
};
