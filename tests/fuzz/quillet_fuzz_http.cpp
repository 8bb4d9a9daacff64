// Feeds arbitrary bytes to the parser of HTTP answers, as a server might
// send them. Besides crashes and sanitizer reports it stops when what the
// parser holds passes its bounds, when a refusal comes without a reason, or
// when the answer depends on how the connection split its bytes.
//
// The first byte chooses: bit 0, the request was HEAD; bits 1-7, the size of
// the pieces the rest is fed in (0: whole).
#include "httpresponse.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

constexpr qint64 Keep = 100;

struct Outcome
{
    Online::HttpResponseParser::State state;
    int status;
    QByteArray body;
    qint64 received;
    QString failure;
    bool operator==(const Outcome &) const = default;
};

Outcome parse(QByteArrayView bytes, bool head, qsizetype piece)
{
    Online::HttpResponseParser parser(head, Keep);
    qint64 sunk = 0;
    parser.setBodySink([&](QByteArrayView body) { sunk += body.size(); });
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        const QByteArrayView part = bytes.sliced(at, std::min(piece, bytes.size() - at));
        const qsizetype used = parser.feed(part);
        if (used < 0 || used > part.size())
            fail("feed used more than it was given");
        if (used < part.size() && (parser.state() == Online::HttpResponseParser::State::Head
                                   || parser.state() == Online::HttpResponseParser::State::Body))
            fail("feed left bytes of an unfinished answer");
    }
    if (parser.body().size() > Keep || parser.body().size() > parser.bodyReceived())
        fail("a body held past its bound");
    if (sunk != parser.bodyReceived())
        fail("the sink missed body bytes");
    if ((parser.state() == Online::HttpResponseParser::State::Failed) == parser.failure().isEmpty())
        fail("a refusal without a reason, or a reason without a refusal");
    return {parser.state(), parser.status(), parser.body(), parser.bodyReceived(), parser.failure()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool head = data[0] & 1;
    const qsizetype piece = data[0] >> 1;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const Outcome whole = parse(bytes, head, std::max<qsizetype>(1, bytes.size()));
    if (piece > 0 && !(parse(bytes, head, piece) == whole))
        fail("the answer depends on how its bytes were split");
    return 0;
}
