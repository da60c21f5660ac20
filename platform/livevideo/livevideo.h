// The RTSP source library: pulls one H.264 stream from a camera and hands it to the caller one NAL
// unit at a time, on a thread of its own. Each picture is closed by an access unit delimiter (NAL
// unit type 9) handed over right behind its last unit, as soon as the RTP layer shows where the
// picture ends (the marker bit), so that a receiver never waits for the next picture to know that
// one is complete. A camera that does not mark its pictures' ends gets no delimiters.
//
// Use: rtsp_source_new, rtsp_source_open, rtsp_source_play; then rtsp_source_close and
// rtsp_source_free. Calls on one source are made from one thread at a time, never from inside
// the callback; only rtsp_source_close may also come from another thread, to end an open or a
// play that is still waiting on the network.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The kinds of data the callback receives. A receiver takes the kinds it knows and ignores the rest.
#define RTSP_SOURCE_DATA_H264_NAL 2  // one H.264 NAL unit (or a delimiter), without start code
// The time of the picture whose units follow: 4 bytes, the RTP timestamp of the 90 kHz video clock
// as a big-endian unsigned number (it wraps around). It comes ahead of the first unit that carries
// a new time, so every unit belongs to the time handed over last; the parameter sets of the session
// description, handed over before the stream, come before any time.
#define RTSP_SOURCE_DATA_PICTURE_TIME 3

// Results of rtsp_source_open and rtsp_source_play.
#define RTSP_SOURCE_OK 0
#define RTSP_SOURCE_ERROR_ARGUMENT (-1)  // bad argument, or a call the source's state does not allow
#define RTSP_SOURCE_ERROR_SERVER (-2)    // unreachable, refused, timed out, answered with an error or ended
#define RTSP_SOURCE_ERROR_NO_VIDEO (-3)  // the session has no H.264 video stream

// Called on the source's own thread with (kind, bytes, byte count, the user data given to
// rtsp_source_new). The bytes are valid only during the call.
typedef void (*rtsp_source_callback)(int type, const unsigned char* data, int length, void* user_data);

typedef struct rtsp_source rtsp_source;

// A new idle source, or null when out of memory or without callback.
rtsp_source* rtsp_source_new(rtsp_source_callback callback, void* user_data);

// Connects to an rtsp:// or rtsps:// URL and sets the stream up, over TCP unless the URL's options
// ask for another transport ("?udp", "?multicast", "?http"). options must be 0. Gives up after
// timeout_ms milliseconds (none when 0 or less). Returns 0, or a negative value on failure: an
// argument or state that is wrong, a host that cannot be reached or refuses, a server that does not
// answer in time, a stream without H.264 video.
int rtsp_source_open(rtsp_source* source, const char* url, int options, int timeout_ms);

// Starts the stream. From then on the callback receives, on the source's thread, the sequence and
// picture parameter sets of the session description, then every NAL unit of the stream, each
// picture preceded by its time and followed by its delimiter; parameter sets are sent again in
// front of any key frame that arrives without them. Returns 0, or a negative
// value when the source is not open, the server refuses, or the stream has already ended (its end,
// or a network error): such a source delivers nothing more until it is closed and opened again.
int rtsp_source_play(rtsp_source* source);

// Stops the stream and disconnects; returns promptly even while the server is silent. Once it has
// returned, no callback runs any more. The source may be opened again.
void rtsp_source_close(rtsp_source* source);

// Closes the source if needed and releases it. Null is ignored.
void rtsp_source_free(rtsp_source* source);

#ifdef __cplusplus
}
#endif
