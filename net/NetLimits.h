#pragma once
#include <cstdint>

// Every limit of the network layer in one place: what one receive or send handles at a time,
// and what protects the clients from peers that never stop sending.
namespace net {

// --- receiving ---

// The largest packet one receive hands out (the pending-bytes query is capped at this too).
// Received bodies go to their stream one such packet at a time, as they arrive.
constexpr int32_t kMaxPacketSize = 65536;
// A string read of a length the peer announced grows with what arrives; it reserves at most
// this much up front.
constexpr int32_t kInitialStringReserve = 1024 * 1024;
// The most a close reads of what is still waiting on the connection before it lets go. A
// server that keeps sending after its answer must not hold the close for as long as it likes.
constexpr int64_t kMaxCloseDrainBytes = 64 * 1024;

// A read that finds the socket readable with nothing waiting (the end of the connection)
// receives into a buffer of this size: bytes that came meanwhile are taken, and otherwise the
// result tells an orderly end from a reset.
constexpr int32_t kEndProbeBytes = 4096;

// --- sending ---

// The largest piece handed to one send call, and the piece size of stream reads.
constexpr int32_t kDefaultSendMaxChunk = 65536;
// Milliseconds to wait for writability after a send on a non-blocking socket would block.
constexpr int32_t kDefaultNonblockSendTimeout = 15000;
// A stream sent with its size in front carries it as a signed 32-bit number: larger streams
// are refused (10040) rather than sent with a truncated size.
constexpr int64_t kMaxSizedStreamBytes = INT32_MAX;
// Request bodies below this size go out in the same send as the request's header block.
constexpr int64_t kSingleSendBodyLimit = 65536;

// --- waiting ---

// Bandwidth waits sleep in slices of this size, so a stop ends them soon.
constexpr uint32_t kBandwidthSliceMs = 250;
// The longest single bandwidth wait; a rate so low that one transfer would need more is
// held to this rather than overflowing the tick arithmetic.
constexpr double kMaxThrottleWaitMs = 0x7FFFFFFF;
// Sockets one GroupCanRead looks at.
constexpr int32_t kMaxGroupSockets = 64;
// The platform's "as many as allowed" for a listening socket's queue.
constexpr int32_t kListenBacklog = 4096;

// --- overall bounds ---

// The per-packet timeout is not enough against a peer that trickles bytes: each phase of a
// request is also bounded as a whole, by the client's Timeout.
// - Connect: the connect itself gives up after Timeout (ConnectFallbackTimeout).
// - Header block: a response's status line and header lines must all arrive within Timeout
//   of the request having been sent (an FTP reply within Timeout of the command), however
//   the bytes are spread out.
// - Body and FTP data: within every span of Timeout at least this many bytes must arrive
//   (TProgressWindow). That is a pace no real link falls below (about 11 bytes a second
//   with the installer's 90 s), and one a trickling peer cannot keep up without sending.
constexpr int64_t kMinProgressBytes = 1024;

// --- SSL/TLS plug-in ---

// The longest a TLS handshake may take when the socket has no connect limit of its own
// (ConnectionTimeout, or the client's Timeout through ConnectFallbackTimeout).
constexpr int32_t kSSLHandshakeTimeoutMs = 60000;
// The longest a read waits for the rest of a TLS record it has begun; callers that wait for
// data (CanRead, the packet and line readers) only read once a whole record is here.
constexpr int32_t kSSLRecordWaitMs = 60000;
// What one read of the TLS transport takes from the socket at most: several records at a time
// keep the system calls per megabyte low.
constexpr int32_t kSSLReadAheadBytes = 256 * 1024;
// How long an orderly two-way TLS shutdown waits for the peer's own close.
constexpr int32_t kSSLShutdownWaitMs = 5000;

// --- FTP listings ---

// The longest listing line (LIST or MLSD) the parser reads. A real line holds a name of a few
// hundred bytes and some fields; a longer one is hostile or broken: it is kept among the
// unparsed lines as it is instead of being walked by every mask.
constexpr int32_t kMaxFtpListLineBytes = 16384;

// --- HTTP ---

// The most a response's status line and header block (and a proxy's CONNECT reply, and the
// trailer lines of a chunked body) may take. Real servers send a few kilobytes; anything near
// this is hostile or broken, and reading it is ended with socket error 10055 rather than
// holding the whole of it in memory.
constexpr int32_t kMaxHeaderBlockBytes = 1024 * 1024;
// The longest single header line, unless the caller set a tighter MaxLineLength.
constexpr int32_t kMaxHeaderLineBytes = kMaxHeaderBlockBytes;
// The most cookies a client keeps; past it the oldest is dropped for each new one.
constexpr int32_t kMaxCookies = 1000;
// The socket buffer sizes the HTTP client asks for (queued; see THTTPClient).
constexpr int32_t kHttpSocketBufferRequest = 65536;

// --- FTP ---

// The longest reply line the FTP client reads on its control connection (the control
// socket's MaxLineLength unless the caller set one). Real replies are a line of text; a
// longer line fails the command.
constexpr int32_t kMaxFtpReplyLineBytes = 8192;
// The most lines and bytes of one reply. Servers send a few lines (a welcome banner, a
// feature list); a reply that never reaches its closing line is given up at these, or when
// the client's Timeout has passed since it began, whichever comes first.
constexpr int32_t kMaxFtpReplyLines = 1000;
constexpr int64_t kMaxFtpReplyBytes = 256 * 1024;
// Preliminary (1xx) replies the client reads before the greeting proper.
constexpr int32_t kMaxFtpPreliminaryReplies = 100;
// Commands one logon sends at most; a caller's logon table that loops is cut off there.
constexpr int32_t kMaxFtpLogonCommands = 18;
// Connections from another address than the server's that an active data connection turns
// away while it waits for the server's own.
constexpr int32_t kMaxFtpStrayDataConnections = 16;
// The most a directory listing may take in memory before it is given up (10055).
constexpr int64_t kMaxFtpListingBytes = 64LL * 1024 * 1024;
// Linger time of an active data connection's socket, in milliseconds.
constexpr int32_t kFtpDataLingerMs = 10000;

}  // namespace net
