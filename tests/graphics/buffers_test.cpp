// The shadowed buffer wrappers: creation parameters, upload skipping, and that the bytes
// really reach the GPU.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "graphics/constantbuffer.h"
#include "graphics/devicestate.h"
#include "graphics/geometrybuffer.h"
#include "graphics/indexbuffer.h"
#include "graphics/structurebuffer.h"
#include "graphics/vertex.h"
#include "graphics/vertexbuffer.h"
#include "readback.h"
#include "support/gputest.h"

namespace {

class BufferTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InitTestDevice(16, 16, false)); }
    uint64_t Maps() const { return gContext->GetStats().maps; }
};

TEST_F(BufferTest, SameBytesTwiceMapOnceAndReachTheGpu) {
    ConstantBuffer constants(64);
    std::array<float, 16> data{};
    for (int i = 0; i < 16; ++i) data[i] = float(i) * 1.5f;

    const uint64_t before = Maps();
    EXPECT_TRUE(constants.Update(data.data()));
    EXPECT_TRUE(constants.Update(data.data()));
    EXPECT_EQ(Maps() - before, 1u);

    data[15] = -1.0f;
    EXPECT_TRUE(constants.Update(data.data()));
    EXPECT_EQ(Maps() - before, 2u);
    std::vector<uint8_t> gpu = readback::Buffer(constants.GetBuffer());
    ASSERT_EQ(gpu.size(), 64u);
    EXPECT_EQ(std::memcmp(gpu.data(), data.data(), 64), 0);
}

TEST_F(BufferTest, FirstUpdateAlwaysUploadsEvenZerosOrTheShadowFill) {
    const std::vector<uint8_t> zeros(256, 0), fill(256, 0x7B);
    GeometryBuffer geometry(gpu::BIND_VERTEX_BUFFER, 256);
    ConstantBuffer constants(256);
    StructureBuffer<std::array<uint8_t, 64>> structured(4);
    ConstantBuffer filled(256);

    uint64_t before = Maps();
    geometry.Update(zeros.data(), 256);
    constants.Update(zeros.data());
    structured.Update(reinterpret_cast<const std::array<uint8_t, 64>*>(zeros.data()), 4);
    filled.Update(fill.data());
    EXPECT_EQ(Maps() - before, 4u);
    EXPECT_EQ(readback::Buffer(filled.GetBuffer()), fill);
    EXPECT_EQ(readback::Buffer(geometry.GetBuffer()), zeros);
}

TEST_F(BufferTest, PartialUploadDoesNotHideALongerOne) {
    std::vector<uint8_t> bytes(128, 0x11);
    ConstantBuffer constants(128);
    constants.Update(bytes.data());
    const uint64_t before = Maps();
    EXPECT_TRUE(constants.Update(bytes.data(), 32));  // same bytes: nothing to do
    EXPECT_EQ(Maps() - before, 0u);
    bytes[0] = 0x22;
    EXPECT_TRUE(constants.Update(bytes.data(), 32));  // a discarding write of a changed prefix
    EXPECT_EQ(Maps() - before, 1u);
    EXPECT_TRUE(constants.Update(bytes.data(), 16));  // within what was just written: skipped
    EXPECT_EQ(Maps() - before, 1u);
    EXPECT_TRUE(constants.Update(bytes.data()));      // the rest is undefined after the discard
    EXPECT_EQ(Maps() - before, 2u);
    EXPECT_EQ(readback::Buffer(constants.GetBuffer()), bytes);
    EXPECT_FALSE(constants.Update(bytes.data(), 129));
}

TEST_F(BufferTest, StructureBufferCreationViewAndUsedCount) {
    struct Record {
        float values[5];
    };
    StructureBuffer<Record> records(7);
    ASSERT_TRUE(records.GetBuffer());
    const gpu::BufferDesc& desc = records.GetBuffer()->GetDesc();
    EXPECT_EQ(desc.ByteWidth, 7u * 20u);
    EXPECT_EQ(desc.Usage, gpu::Usage::Dynamic);
    EXPECT_EQ(desc.CPUAccessFlags, uint32_t(gpu::CPU_ACCESS_WRITE));
    EXPECT_EQ(desc.BindFlags, uint32_t(gpu::BIND_SHADER_RESOURCE));
    EXPECT_EQ(desc.MiscFlags, uint32_t(gpu::RESOURCE_MISC_BUFFER_STRUCTURED));
    EXPECT_EQ(desc.StructureByteStride, 20u);
    ASSERT_TRUE(records.GetView());
    EXPECT_EQ(records.GetView()->GetDesc().Format, gpu::Format::Unknown);
    EXPECT_EQ(records.GetView()->GetDesc().ViewDimension, gpu::SrvDimension::Buffer);
    EXPECT_EQ(records.GetView()->GetDesc().FirstElement, 0u);
    EXPECT_EQ(records.GetView()->GetDesc().NumElements, 7u);
    EXPECT_EQ(records.GetElementSize(), 20u);

    std::vector<Record> data(8, Record{{1, 2, 3, 4, 5}});
    const uint64_t before = Maps();
    EXPECT_TRUE(records.Update(data.data(), 3));
    EXPECT_EQ(records.GetUsed(), 3u);
    EXPECT_FALSE(records.Update(data.data(), 8)) << "more than the capacity";
    EXPECT_EQ(records.GetUsed(), 3u);
    EXPECT_TRUE(records.Update(data.data(), 0));
    EXPECT_EQ(records.GetUsed(), 0u);
    EXPECT_EQ(Maps() - before, 1u) << "a count of 0 uploads nothing";
    std::vector<uint8_t> gpu = readback::Buffer(records.GetBuffer());
    ASSERT_EQ(gpu.size(), 140u);
    EXPECT_EQ(std::memcmp(gpu.data(), data.data(), 60), 0);
}

TEST_F(BufferTest, VertexAndIndexBuffersDescribeTheirLayout) {
    VertexBuffer<SVertexDesc> vertices(5);
    EXPECT_EQ(vertices.GetStride(), 32u);
    EXPECT_EQ(vertices.GetByteSize(), 160u);
    EXPECT_EQ(vertices.GetBindFlags(), uint32_t(gpu::BIND_VERTEX_BUFFER));
    ASSERT_TRUE(vertices.GetBuffer());
    EXPECT_EQ(vertices.GetBuffer()->GetDesc().Usage, gpu::Usage::Dynamic);
    const AbstractVertexBuffer& abstract = vertices;
    EXPECT_EQ(abstract.GetStride(), 32u);

    IndexBuffer<short> signedIndices(9);
    IndexBuffer<unsigned short> unsignedIndices(9);
    EXPECT_EQ(signedIndices.GetByteSize(), 18u);
    EXPECT_EQ(unsignedIndices.GetIndexCount(), 9u);
    EXPECT_EQ(IndexBuffer<short>::GetFormat(), gpu::Format::R16_UInt);
    EXPECT_EQ(unsignedIndices.GetBuffer()->GetDesc().BindFlags, uint32_t(gpu::BIND_INDEX_BUFFER));
    const unsigned short indices[3] = {0, 65535, 7};
    EXPECT_FALSE(unsignedIndices.UpdateIndices(indices, 10));
    EXPECT_TRUE(unsignedIndices.UpdateIndices(indices, 3));
    std::vector<uint8_t> gpu = readback::Buffer(unsignedIndices.GetBuffer());
    ASSERT_EQ(gpu.size(), 18u);
    EXPECT_EQ(std::memcmp(gpu.data(), indices, 6), 0);
}

TEST_F(BufferTest, EmptyBuffersExistWithoutGpuObjects) {
    ConstantBuffer none(0);
    StructureBuffer<float> noRecords(0);
    const float value = 1.0f;
    EXPECT_FALSE(none.GetBuffer());
    EXPECT_FALSE(none.Update(&value));
    EXPECT_FALSE(noRecords.GetView());
    EXPECT_FALSE(noRecords.Update(&value, 1));
}

}  // namespace
