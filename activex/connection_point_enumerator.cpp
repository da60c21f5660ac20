// An enumerator over a fixed list of connection points, each held with one reference: Next hands
// out references of its own, Clone copies the list and the position.
#include "activex/com_owners.h"
#include "activex/jsapi_idispatch_ex.h"

#include <atomic>
#include <new>
#include <vector>

namespace FB::ActiveX {

namespace {

class ConnectionPointEnumerator final : public IEnumConnectionPoints {
public:
    explicit ConnectionPointEnumerator(std::vector<ComPtr<IConnectionPoint>> points, size_t position = 0)
        : m_points(std::move(points)), m_position(position) {}
    ConnectionPointEnumerator(const ConnectionPointEnumerator&) = delete;
    ConnectionPointEnumerator& operator=(const ConnectionPointEnumerator&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumConnectionPoints) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IEnumConnectionPoints*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
        if (!points || (count > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        for (; given < count && m_position < m_points.size(); ++given) {
            points[given] = ComPtr<IConnectionPoint>(m_points[m_position++]).detach();
        }
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const size_t left = m_points.size() - m_position;
        m_position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        m_position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) override {
        if (!copy) return E_POINTER;
        *copy = new (std::nothrow) ConnectionPointEnumerator(m_points, m_position);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~ConnectionPointEnumerator() = default;

    std::atomic<ULONG> m_references{1};
    std::vector<ComPtr<IConnectionPoint>> m_points;
    size_t m_position;
};

}  // namespace

HRESULT enumerateOneConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** points) {
    ComPtr<IConnectionPoint> owned = ComPtr<IConnectionPoint>::adopt(point);
    try {
        *points = new ConnectionPointEnumerator({owned});
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace FB::ActiveX
