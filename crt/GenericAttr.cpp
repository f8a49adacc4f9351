#include "crt/GenericAttr.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "crt/Residuals.h"

namespace crt {

namespace {

// Adds the prediction to every vertex from 1 on, in increasing order, so each
// predictor vertex is final when used. Arithmetic wraps around in the width of
// the stored integer. Fixed > 0 is the component count known at compile time.
template <class T, int Fixed, bool Parallelogram>
void unpredictMesh(T* V, int dynamicN, const PredictorTable& P)
{
    using U = uint32_t;  // narrowed back to T, which wraps bytes modulo 256
    const size_t n = Fixed > 0 ? size_t(Fixed) : size_t(dynamicN);
    const uint32_t stored = std::min(P.storedCount, P.size);
    for (uint32_t i = 1; i < stored; ++i) {
        const Predictor p = P.stored[i];
        T* v = V + size_t(i) * n;
        const T* a = V + size_t(p.a) * n;
        if constexpr (Parallelogram) {
            const T* b = V + size_t(p.b) * n;
            const T* c = V + size_t(p.c) * n;
            for (size_t k = 0; k < n; ++k)
                v[k] = T(U(v[k]) + U(a[k]) + U(b[k]) - U(c[k]));
        } else {
            for (size_t k = 0; k < n; ++k)
                v[k] = T(U(v[k]) + U(a[k]));
        }
    }
    // Vertices the traversal never created have the triple (0, 0, 0): both
    // rules predict them from vertex 0.
    for (uint32_t i = std::max(stored, 1u); i < P.size; ++i) {
        T* v = V + size_t(i) * n;
        for (size_t k = 0; k < n; ++k)
            v[k] = T(U(v[k]) + U(V[k]));
    }
}

template <class T, bool Parallelogram>
void unpredictMeshN(T* V, int N, const PredictorTable& P)
{
    switch (N) {
    case 1: return unpredictMesh<T, 1, Parallelogram>(V, N, P);
    case 2: return unpredictMesh<T, 2, Parallelogram>(V, N, P);
    case 3: return unpredictMesh<T, 3, Parallelogram>(V, N, P);
    case 4: return unpredictMesh<T, 4, Parallelogram>(V, N, P);
    default: return unpredictMesh<T, 0, Parallelogram>(V, N, P);
    }
}

// Decodes each vertex's residuals and adds its prediction at once, vertex by
// vertex in increasing order: the same sums as decoding all residuals first,
// since every predictor vertex comes before the vertex it predicts.
template <class T, int Fixed, bool Parallelogram, bool Shared>
void decodeAndUnpredictMesh(const ResidualSection& s, T* V, const PredictorTable& P)
{
    using U = uint32_t;
    constexpr size_t n = size_t(Fixed);
    ResidualReader<Fixed, Shared> reader(s);
    const uint32_t NV = s.count;
    const uint32_t stored = std::min({P.storedCount, P.size, NV});
    U r[Fixed];
    uint32_t i = 0;
    if (NV > 0) {
        reader.next(0, r);
        for (size_t k = 0; k < n; ++k)
            V[k] = T(r[k]);
        i = 1;
    }
    for (; i < stored; ++i) {
        reader.next(i, r);
        const Predictor p = P.stored[i];
        T* v = V + size_t(i) * n;
        const T* a = V + size_t(p.a) * n;
        if constexpr (Parallelogram) {
            const T* b = V + size_t(p.b) * n;
            const T* c = V + size_t(p.c) * n;
            for (size_t k = 0; k < n; ++k)
                v[k] = T(r[k] + U(a[k]) + U(b[k]) - U(c[k]));
        } else {
            for (size_t k = 0; k < n; ++k)
                v[k] = T(r[k] + U(a[k]));
        }
    }
    // Vertices the traversal never created are predicted from vertex 0.
    for (; i < NV; ++i) {
        reader.next(i, r);
        T* v = V + size_t(i) * n;
        for (size_t k = 0; k < n; ++k)
            v[k] = T(r[k] + U(V[k]));
    }
}

// The fused decode for the common component counts; false for the others.
template <class T>
bool decodeAndUnpredict(const ResidualSection& s, T* V, int N, bool parallelogram, const PredictorTable& P)
{
    if (s.count != P.size)
        return false;
    // Shared bit counts only: with a count per component the section is
    // decoded first and predicted after.
    if (!s.shared)
        return false;
    switch (N * 2 + parallelogram) {
    case 4: decodeAndUnpredictMesh<T, 2, false, true>(s, V, P); return true;
    case 5: decodeAndUnpredictMesh<T, 2, true, true>(s, V, P); return true;
    case 6: decodeAndUnpredictMesh<T, 3, false, true>(s, V, P); return true;
    case 7: decodeAndUnpredictMesh<T, 3, true, true>(s, V, P); return true;
    default: return false;
    }
}

// value x q in the output element type; integer targets truncate toward zero
// and saturate at their range (NaN gives 0).
template <class Out, class T>
Out scaled(T value, float q)
{
    if constexpr (std::is_same_v<Out, float>) {
        return float(value) * q;
    } else if constexpr (std::is_same_v<Out, double>) {
        return double(value) * double(q);
    } else {
        const float x = float(value) * q;
        if (!(x == x))
            return 0;
        if (x <= float(std::numeric_limits<Out>::min()))
            return std::numeric_limits<Out>::min();
        if (x >= float(std::numeric_limits<Out>::max()))
            return std::numeric_limits<Out>::max();
        return Out(x);
    }
}

// Rewrites count values of type T in place as elements of type Out. A wider
// target is written from the last element down, so no value still to be read
// is overwritten.
template <class Out, class T>
void convertInPlace(void* buffer, size_t count, float q)
{
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    auto one = [&](size_t k) {
        T value;
        std::memcpy(&value, bytes + k * sizeof(T), sizeof(T));
        const Out out = scaled<Out>(value, q);
        std::memcpy(bytes + k * sizeof(Out), &out, sizeof(Out));
    };
    if constexpr (sizeof(Out) > sizeof(T)) {
        for (size_t k = count; k-- > 0;)
            one(k);
    } else {
        for (size_t k = 0; k < count; ++k)
            one(k);
    }
}

// The common case, integers to floats of the same slots, as a loop the
// compiler can vectorise: both views of the buffer are declared to alias.
void int32ToFloatInPlace(void* buffer, size_t count, float q)
{
    using AliasedInt = int32_t __attribute__((may_alias));
    using AliasedFloat = float __attribute__((may_alias));
    const AliasedInt* in = static_cast<const AliasedInt*>(buffer);
    AliasedFloat* out = static_cast<AliasedFloat*>(buffer);
    for (size_t k = 0; k < count; ++k)
        out[k] = float(in[k]) * q;
}

}  // namespace

template <class T>
void GenericAttr<T>::readPayload(uint32_t NV, ByteCursor& in)
{
    const bool shared = (strategy & SHARED_BITS) != 0;
    pending_ = false;
    if (!buffer) {
        skipResiduals(in, shared ? 1 : N);
        return;
    }
    if (shared) {
        openResidualsShared(in, N, NV, residuals_);
        if (residuals_.count != NV)
            throw kCorrupt;
    } else {
        openResiduals(in, N, NV, residuals_);
    }
    pending_ = true;
}

template <class T>
void GenericAttr<T>::decodePending()
{
    if (pending_)
        decodeResiduals(residuals_, values());
    pending_ = false;
}

template <class T>
void GenericAttr<T>::unpredict(uint32_t NV, const PredictorTable& predictors)
{
    T* V = values();
    if (!V || N <= 0)
        return;
    if (pending_ && predictors.size >= 2 && predictors.ordered && residuals_.totalBits > 0) {
        pending_ = false;
        if (decodeAndUnpredict(residuals_, V, N, (strategy & PARALLELOGRAM) != 0, predictors))
            return;
        pending_ = true;
    }
    decodePending();
    if (predictors.size == 0) {
        // No faces: each vertex is predicted from the previous one.
        const size_t n = size_t(N);
        const size_t total = size_t(NV) * n;
        for (size_t k = n; k < total; ++k)
            V[k] = T(uint32_t(V[k]) + uint32_t(V[k - n]));
        return;
    }
    if (predictors.size == 1)
        return;
    if (strategy & PARALLELOGRAM)
        unpredictMeshN<T, true>(V, N, predictors);
    else
        unpredictMeshN<T, false>(V, N, predictors);
}

template <class T>
void GenericAttr<T>::releaseWorkingMemory()
{
    residuals_ = ResidualSection{};
    pending_ = false;
}

template <class T>
void GenericAttr<T>::writeOutput(uint32_t NV)
{
    if (!buffer)
        return;
    decodePending();
    const size_t count = size_t(NV) * size_t(std::max(N, 0));
    if constexpr (std::is_same_v<T, int32_t>) {
        if (format == FMT_F32)
            return int32ToFloatInPlace(buffer, count, q);
    }
    switch (format) {
    case FMT_U32: return convertInPlace<uint32_t, T>(buffer, count, q);
    case FMT_I32: return convertInPlace<int32_t, T>(buffer, count, q);
    case FMT_U16: return convertInPlace<uint16_t, T>(buffer, count, q);
    case FMT_I16: return convertInPlace<int16_t, T>(buffer, count, q);
    case FMT_U8: return convertInPlace<uint8_t, T>(buffer, count, q);
    case FMT_I8: return convertInPlace<int8_t, T>(buffer, count, q);
    case FMT_F64: return convertInPlace<double, T>(buffer, count, q);
    default: return convertInPlace<float, T>(buffer, count, q);
    }
}

template class GenericAttr<int32_t>;
template class GenericAttr<uint8_t>;

}  // namespace crt
