// Browser-neutral part of a download or upload that the browser performs for the plug-in: its
// description and state, and the event source through which its progress reaches the plug-in.
// The bindings derive their stream classes from it and supply the transfer operations.
#pragma once

#include "host/plugin_event_source.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace FB {

class BrowserStream : public PluginEventSource {
public:
    struct Range {
        Range(uint32_t first, uint32_t last) : start(first), end(last) {}
        uint32_t start;
        uint32_t end;
    };

    BrowserStream(const std::string& url, bool cache, bool seekable, uint32_t internalBufferSize);
    // Tells every observer that the stream is going away; a sink's exception is logged and dropped.
    ~BrowserStream() override;

    std::shared_ptr<BrowserStream> selfPointer();
    std::shared_ptr<BrowserStream> sharedSelf() { return selfPointer(); }

    virtual bool readRange(uint32_t start, uint32_t end);
    virtual bool readRanges(const std::vector<Range>& ranges) = 0;
    virtual bool write(const char* data, size_t dataLength, size_t& written) = 0;
    virtual bool close() = 0;

    virtual std::string getUrl() const { return m_url; }
    virtual bool isSeekableByServer() const { return m_seekableByServer; }
    virtual bool isSeekableRequested() const { return m_seekableRequested; }
    // Whether the stream was asked for with random access (the bindings test this before they
    // know what the server can do).
    virtual bool isSeekable() const { return isSeekableRequested(); }
    // Random access asked for and offered by the server.
    virtual bool canSeek() const { return isSeekableRequested() && isSeekableByServer(); }
    virtual bool isCached() const { return m_cached; }
    virtual bool isCompleted() const { return m_completed; }
    virtual bool isOpen() const { return m_open; }
    virtual std::string getMimeType() const { return m_mimeType; }
    virtual std::wstring getCacheFilename() const { return m_cacheFilename; }
    virtual std::string getHeaders() const { return m_headers; }
    virtual uint32_t getInternalBufferSize() const { return m_internalBufferSize; }
    virtual uint32_t getLength() const { return m_length; }

    virtual void setUrl(const std::string& url) { m_url = url; }
    virtual void setSeekableByServer(bool seekable) { m_seekableByServer = seekable; }
    virtual void setCached(bool cached) { m_cached = cached; }
    virtual void setCompleted(bool completed) { m_completed = completed; }
    virtual void setOpen(bool open) { m_open = open; }
    virtual void setMimeType(const std::string& mimeType) { m_mimeType = mimeType; }
    virtual void setCacheFilename(const std::wstring& name) { m_cacheFilename = name; }
    virtual void setHeaders(const std::string& headers) { m_headers = headers; }
    virtual void setInternalBufferSize(uint32_t size) { m_internalBufferSize = size; }
    virtual void setLength(uint32_t length) { m_length = length; }

private:
    std::string m_url;
    bool m_seekableRequested;
    bool m_seekableByServer = false;
    bool m_cached;
    uint32_t m_internalBufferSize;
    std::wstring m_cacheFilename;
    uint32_t m_length = 0;
    std::string m_mimeType;
    bool m_completed = false;
    bool m_open = false;
    std::string m_headers;
};

using BrowserStreamPtr = std::shared_ptr<BrowserStream>;

}  // namespace FB
