#include "players/webrig.h"

#include <QTcpSocket>

#include "fakes/testsupport.h"

namespace velumo::test {

namespace {
WebRig* g_rig = nullptr;
}

PageServer::PageServer()
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray head = socket->peek(8192);
                if (!head.contains("\r\n\r\n"))
                    return;
                socket->readAll();
                const QByteArray path = head.split(' ').value(1);
                const int n = requests[path]++;
                const auto found = pages.constFind(path);
                if (found == pages.constEnd() || found->isEmpty())
                    return;  // hangs
                const Page& page = found->at(qMin<qsizetype>(n, found->size() - 1));
                socket->write(
                    "HTTP/1.1 " + QByteArray::number(page.status) +
                    " X\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
                    "Connection: close\r\nContent-Length: " +
                    QByteArray::number(page.body.size()) + "\r\n\r\n" + page.body);
                socket->disconnectFromHost();
            });
        }
    });
}

QString PageServer::address(const char* path) const
{
    // Without the scheme, as the operator writes addresses.
    return QStringLiteral("127.0.0.1:%1%2").arg(serverPort()).arg(QString::fromLatin1(path));
}

WebRig& WebRig::get()
{
    if (!g_rig)
        g_rig = new WebRig();
    return *g_rig;
}

void WebRig::destroy()
{
    delete g_rig;
    g_rig = nullptr;
}

WebRig::WebRig() : log(dir.filePath(QStringLiteral("velumo.log")))
{
    webWindow = std::make_unique<WebWindow>();
    web = std::make_unique<WebPlayer>(settings, log, clock, timers, webWindow->surface(),
                                      WebPlayer::Limits{8'000, 60'000});
    flashWindow = std::make_unique<FlashWindow>();
    flash = std::make_unique<FlashPlayer>(settings, log, clock, flashWindow->surface());
}

WebRig::~WebRig()
{
    flash.reset();
    web.reset();
    flashWindow.reset();
    webWindow.reset();
}

int WebRig::mark() const
{
    return int(logEvents(logPath(), QStringLiteral("player")).size());
}

QStringList WebRig::eventsSince(int mark) const
{
    return logEvents(logPath(), QStringLiteral("player")).mid(mark);
}

QColor pixelOf(QWidget& window, int x, int y)
{
    return window.grab().toImage().pixelColor(x, y);
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

namespace {

class BitWriter {
public:
    void put(quint32 value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            m_byte = quint8((m_byte << 1) | ((value >> i) & 1));
            if (++m_count == 8)
                flush();
        }
    }
    QByteArray finish()
    {
        if (m_count > 0) {
            m_byte = quint8(m_byte << (8 - m_count));
            flush();
        }
        return m_out;
    }

private:
    void flush()
    {
        m_out.append(char(m_byte));
        m_byte = 0;
        m_count = 0;
    }
    QByteArray m_out;
    quint8 m_byte = 0;
    int m_count = 0;
};

void putU16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void putU32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

void tag(QByteArray& out, int code, const QByteArray& body)
{
    putU16(out, quint16((code << 6) | body.size()));
    out.append(body);
}

}  // namespace

QByteArray flashMovie(int widthPx, int heightPx, QColor background)
{
    // The stage rectangle in twips, 16 bits a field.
    BitWriter rect;
    rect.put(16, 5);
    for (int v : {0, widthPx * 20, 0, heightPx * 20})
        rect.put(quint32(v), 16);
    QByteArray body = rect.finish();
    putU16(body, 12 << 8);  // 12 frames a second
    putU16(body, 1);        // one frame
    QByteArray attributes;
    putU32(attributes, 0);
    tag(body, 69, attributes);  // FileAttributes
    QByteArray rgb;
    for (int c : {background.red(), background.green(), background.blue()})
        rgb.append(char(c));
    tag(body, 9, rgb);           // SetBackgroundColor
    tag(body, 1, QByteArray());  // ShowFrame
    tag(body, 0, QByteArray());  // End
    QByteArray movie("FWS");
    movie.append(char(10));
    putU32(movie, quint32(8 + body.size()));
    return movie + body;
}

}  // namespace velumo::test
