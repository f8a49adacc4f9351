#include "DracoCodec.h"

#include <draco/compression/decode.h>
#include <draco/compression/encode.h>
#include <draco/mesh/mesh.h>

#include <cstring>
#include <stdexcept>

namespace crtbench {
namespace {

int addFloat3(draco::Mesh& mesh, draco::GeometryAttribute::Type type, const std::vector<float>& values) {
    draco::GeometryAttribute ga;
    ga.Init(type, nullptr, 3, draco::DT_FLOAT32, false, sizeof(float) * 3, 0);
    const uint32_t n = static_cast<uint32_t>(values.size() / 3);
    const int id = mesh.AddAttribute(ga, true, n);
    for (uint32_t i = 0; i < n; ++i) mesh.attribute(id)->SetAttributeValue(draco::AttributeValueIndex(i), &values[size_t(i) * 3]);
    return id;
}

void copyFloat3(const draco::PointAttribute* att, uint32_t points, std::vector<float>& out) {
    out.resize(size_t(points) * 3);
    if (!att) return;
    if (att->is_mapping_identity() && att->data_type() == draco::DT_FLOAT32 && att->byte_stride() == 12) {
        std::memcpy(out.data(), att->GetAddress(draco::AttributeValueIndex(0)), out.size() * sizeof(float));
        return;
    }
    for (uint32_t i = 0; i < points; ++i) att->GetMappedValue(draco::PointIndex(i), &out[size_t(i) * 3]);
}

}  // namespace

std::vector<char> dracoEncode(const crt::shapes::Mesh& m, int positionBits, int normalBits, int speed) {
    draco::Mesh mesh;
    mesh.set_num_points(m.vertexCount());
    addFloat3(mesh, draco::GeometryAttribute::POSITION, m.positions);
    if (!m.normals.empty()) addFloat3(mesh, draco::GeometryAttribute::NORMAL, m.normals);
    mesh.SetNumFaces(m.faceCount());
    for (uint32_t f = 0; f < m.faceCount(); ++f) {
        draco::Mesh::Face face;
        for (int k = 0; k < 3; ++k) face[k] = draco::PointIndex(m.indices[size_t(f) * 3 + k]);
        mesh.SetFace(draco::FaceIndex(f), face);
    }
    draco::Encoder encoder;
    encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, positionBits);
    encoder.SetAttributeQuantization(draco::GeometryAttribute::NORMAL, normalBits);
    encoder.SetSpeedOptions(speed, speed);
    draco::EncoderBuffer buffer;
    const draco::Status status = encoder.EncodeMeshToBuffer(mesh, &buffer);
    if (!status.ok()) throw std::runtime_error(std::string("Draco encoding failed: ") + status.error_msg());
    return std::vector<char>(buffer.data(), buffer.data() + buffer.size());
}

uint32_t dracoDecode(const std::vector<char>& stream, DecodeArrays& out) {
    draco::DecoderBuffer buffer;
    buffer.Init(stream.data(), stream.size());
    draco::Decoder decoder;
    auto result = decoder.DecodeMeshFromBuffer(&buffer);
    if (!result.ok()) throw std::runtime_error("Draco decoding failed");
    const std::unique_ptr<draco::Mesh> mesh = std::move(result).value();
    const uint32_t points = mesh->num_points();
    copyFloat3(mesh->GetNamedAttribute(draco::GeometryAttribute::POSITION), points, out.positions);
    copyFloat3(mesh->GetNamedAttribute(draco::GeometryAttribute::NORMAL), points, out.normals);
    const uint32_t faces = mesh->num_faces();
    out.indices.resize(size_t(faces) * 3);
    for (uint32_t f = 0; f < faces; ++f) {
        const draco::Mesh::Face& face = mesh->face(draco::FaceIndex(f));
        for (int k = 0; k < 3; ++k) out.indices[size_t(f) * 3 + k] = face[k].value();
    }
    return faces;
}

}  // namespace crtbench
