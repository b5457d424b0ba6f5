#pragma once
// The requests that other programs of the same user (the command-line tool,
// a second copy of the program started with a URL or a file) send to the
// running copy over its single-instance socket (SingleInstance.h), and the
// answers they get back.
//
// Wire format. Every frame, request or answer, is two fields, each a 32-bit
// unsigned length in network byte order followed by that many bytes:
//   request   method (printable ASCII, e.g. "processXML:"), argument (UTF-8)
//   answer    status ("OK" or "Error"), text (UTF-8: the result or why not)
// A client may send several requests on one connection; each gets one answer,
// in order. A method longer than 64 bytes or empty, an argument longer than
// 16 MiB, a method that is not printable ASCII or an argument that is not
// valid UTF-8 is refused: the connection gets an "Error" answer naming the
// fault and is closed, and nothing is carried out.
//
// The methods the program serves are its remote interface (see
// app/shell/QVURLHandler.h): "processXML:" (a Glimra document's text),
// "processXMLFileAtURL:" (a file URL), "openURL:" (a "tolvane:" URL),
// "openFile:" (a path), "trackConfirmInBrowser:" and
// "newShipmentWithAddress:" (a text, as the desktop's Services entries),
// "trackResponseForID:" (a tracking number; answers the USPS tracking
// response's description, the command-line tool's diagnostic).
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalSocket;

struct RemoteFrame {
    QString method; // a request's method, or an answer's status
    QString argument;
};

inline const QString RemoteAnswerOK = QStringLiteral("OK");
inline const QString RemoteAnswerError = QStringLiteral("Error");
// The "Error" answer's text of a running copy that cannot take requests yet
// (it is still starting); a caller may ask again.
inline const QString RemoteAnswerNotReadyText = QStringLiteral("The application is not ready.");

// The limits of one frame's fields, in bytes.
constexpr quint32 kRemoteMethodLimit = 64;
constexpr quint32 kRemoteArgumentLimit = 16u * 1024u * 1024u;

enum class RemoteFrameStatus {
    Incomplete, // more bytes are needed; the buffer is left as it is
    Complete,   // one frame was taken off the front of the buffer
    Invalid     // the bytes can never make a frame (see above)
};

// The frame's bytes; an answer frame is encoded the same way.
QByteArray encodeRemoteFrame(const RemoteFrame &frame);
// Takes one frame off the front of `buffer` into *frame; on Invalid,
// *error says why and the buffer is left as it is.
RemoteFrameStatus takeRemoteFrame(QByteArray &buffer, RemoteFrame *frame, QString *error = nullptr);

// The serving side: give serve() every connection of the single-instance
// socket. Until a handler is set (the program sets it once its main window
// can take requests) every request is answered "Error" with
// RemoteAnswerNotReadyText. The handler answers an answer frame (status and text).
class RemoteRequestServer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<RemoteFrame(const RemoteFrame &request)>;
    explicit RemoteRequestServer(QObject *parent = nullptr) : QObject(parent) {}

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    bool hasHandler() const { return bool(m_handler); }
    // Reads requests from the connection and answers them until it closes.
    void serve(QLocalSocket *socket);

    // One request's answer (what serve() writes back).
    RemoteFrame answer(const RemoteFrame &request) const;

private:
    Handler m_handler;
};

// The client side: connects to the socket at `socketPath`, sends the request
// and waits for its answer. Nothing (with *error) when nobody listens there,
// the time runs out or the answer is not a frame.
std::optional<RemoteFrame> sendRemoteRequest(const QString &socketPath, const RemoteFrame &request,
                                             int timeoutMilliseconds, QString *error = nullptr);
