#include "StartUpSplash.h"

#include "Fonts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QThread>
#include <QWindow>

namespace {

const QSize SplashSize(360, 96);
const QColor Background(255, 255, 128); // the light yellow of the tool's input boxes
const QColor Frame(128, 128, 128);

QString grouped(int n)
{
    QString digits = QString::number(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

} // namespace

StartUpSplash::StartUpSplash(int minIntervalMs)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_message(QStringLiteral("正在開啟資料庫…"))
    , m_minIntervalMs(minIntervalMs)
{
    setObjectName(QStringLiteral("StartUpSplash"));
    // A title of its own: without one it would carry the application's name, as the
    // message boxes do.
    setWindowTitle(QStringLiteral("TarnPromotion 載入中"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false); // closing it never ends the tool
    installChineseFontSubstitutes();
    setFont(designFont(15));
    resize(SplashSize);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

StartUpSplash::~StartUpSplash()
{
    stopWatching();
}

void StartUpSplash::showNow(int timeoutMs)
{
    show();
    if (!m_watching) {
        qApp->installEventFilter(this);
        m_watching = true;
    }
    QElapsedTimer waited;
    waited.start();
    QWindow *window = windowHandle();
    while (window && !window->isExposed() && waited.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        if (!window->isExposed())
            QThread::msleep(2);
    }
    repaint();
    m_sincePaint.start();
}

QString StartUpSplash::messageFor(int rows)
{
    return QStringLiteral("已載入 %1 筆商品").arg(grouped(rows));
}

void StartUpSplash::rowsLoaded(int rows, bool final)
{
    if (!isVisible())
        return;
    if (!final && m_sincePaint.isValid() && m_sincePaint.elapsed() < m_minIntervalMs)
        return;
    m_message = messageFor(rows);
    emit messageChanged(m_message);
    // No event loop runs during the load: paint now.
    repaint();
    ++m_paints;
    m_sincePaint.start();
}

void StartUpSplash::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Background);
    p.setPen(Frame);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(Qt::black);
    QFont title = font();
    title.setBold(true);
    p.setFont(title);
    const QRect inner = rect().adjusted(16, 12, -16, -12);
    p.drawText(inner, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("TarnPromotion 促銷價格維護"));
    p.setFont(font());
    p.drawText(inner, Qt::AlignLeft | Qt::AlignBottom, m_message);
}

bool StartUpSplash::eventFilter(QObject *watched, QEvent *event)
{
    // Another window on screen: the splash has done its work, or it would cover a
    // message box.
    if (event->type() == QEvent::Show && watched != this && watched->isWidgetType()) {
        const QWidget *w = static_cast<QWidget *>(watched);
        if (w->isWindow() && !static_cast<const QShowEvent *>(event)->spontaneous()) {
            stopWatching();
            close();
        }
    }
    return false;
}

void StartUpSplash::stopWatching()
{
    if (m_watching) {
        qApp->removeEventFilter(this);
        m_watching = false;
    }
}
