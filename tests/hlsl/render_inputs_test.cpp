// Vertex inputs and system values of translated shaders on llvmpipe: a vertex with more
// semantics than the fixed semantic locations cover, vertex and instance ids, face
// orientation, clip, loop attributes, static const tables and matrix majorness.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "gpu/context.h"
#include "gpu/device.h"
#include "hlslhelpers.h"
#include "renderpass.h"
#include "support/gputest.h"

namespace {

constexpr int kSize = 8;

const char* kShader = R"(
#pragma pack_matrix(row_major)
cbuffer Params : register(b0) {
    float4x4 rowMajorScale;             // row_major by the pragma
    column_major float4x4 columnMajor;  // uploaded transposed
};
static const float kShades[3] = {0.2, 0.5, 0.8};

struct Rich {
    float3 position : POSITION;
    float t0 : TEXCOORD0; float t1 : TEXCOORD1; float t2 : TEXCOORD2; float t3 : TEXCOORD3;
    float t4 : TEXCOORD4; float t5 : TEXCOORD5; float t6 : TEXCOORD6; float t7 : TEXCOORD7;
    float4 colour : COLOR;
    uint index : BLENDINDICES;
    float weight : BLENDWEIGHT;
};
struct Varyings {
    float4 position : SV_Position;
    float4 colour : COLOR;
};

Varyings VS_Rich(Rich v) {
    Varyings o;
    o.position = float4(v.position.xy * 2, 0, 1);
    float sum = v.t0 + v.t1 + v.t2 + v.t3 + v.t4 + v.t5 + v.t6 + v.t7;
    o.colour = float4(sum, v.colour.g, v.index * v.weight / 10.0, 1);
    return o;
}

// A quad per instance from SV_VertexID alone: instance 0 covers the left half, 1 the right.
Varyings VS_Ids(uint id : SV_VertexID, uint instance : SV_InstanceID) {
    Varyings o;
    float2 corner = float2(id & 1, id >> 1);
    o.position = mul(float4((corner.x + instance) - 1, 1 - 2 * corner.y, 0, 1), rowMajorScale);
    o.position = mul(o.position, columnMajor);
    o.colour = float4(kShades[instance], 0, 0, 1);
    return o;
}

float4 PS_Colour(Varyings v) : SV_Target { return v.colour; }

// Green says the face is front facing; the top rows are clipped, row 1 discarded.
float4 PS_Face(Varyings v, bool front : SV_IsFrontFace) : SV_Target {
    clip(v.position.y - 1);
    [branch] if (v.position.y < 2) discard;
    float shade = 0;
    [unroll] for (int i = 0; i < 3; ++i) shade += kShades[i];
    [loop] for (int j = 0; j < 2; ++j) shade -= 0.25;
    return float4(v.colour.r, front ? 1 : 0.5, shade / 2, 1);
}
)";

gpu::PixelShaderPtr Pixel(const std::string& entry) {
    std::string errors;
    auto blob = Compile(kShader, entry, "ps_4_0", &errors);
    EXPECT_TRUE(blob) << errors;
    return blob ? gDevice->CreatePixelShader(blob, &errors) : nullptr;
}

bool Near(const Rgba& got, int r, int g, int b) {
    return std::abs(got.r - r) <= 3 && std::abs(got.g - g) <= 3 && std::abs(got.b - b) <= 3;
}

}  // namespace

TEST(HlslRenderInputs, EightTexcoordsColourBlendIndicesAndWeightReachTheVertexShader) {
    if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
    std::string errors;
    auto vsBlob = Compile(kShader, "VS_Rich", "vs_4_0", &errors);
    ASSERT_TRUE(vsBlob) << errors;
    EXPECT_EQ(vsBlob->inputs.size(), 12u);
    for (const auto& input : vsBlob->inputs) EXPECT_LT(input.location, 16u) << input.semantic << input.semanticIndex;
    auto vs = gDevice->CreateVertexShader(vsBlob, &errors);
    ASSERT_TRUE(vs) << errors;

    // position, TEXCOORD0..7, COLOR, BLENDINDICES, BLENDWEIGHT, and an element nothing reads,
    // each appended after the one before (0xFFFFFFFF: D3D11_APPEND_ALIGNED_ELEMENT).
    std::vector<gpu::InputElementDesc> elements;
    elements.push_back({"POSITION", 0, gpu::Format::R32G32B32_Float, 0, 0});
    for (uint32_t k = 0; k < 8; ++k) elements.push_back({"texcoord", k, gpu::Format::R32_Float, 0, 0xFFFFFFFFu});
    elements.push_back({"COLOR", 0, gpu::Format::R32G32B32A32_Float, 0, 0xFFFFFFFFu});
    elements.push_back({"BLENDINDICES", 0, gpu::Format::R32_UInt, 0, 0xFFFFFFFFu});
    elements.push_back({"BLENDWEIGHT", 0, gpu::Format::R32_Float, 0, 0xFFFFFFFFu});
    elements.push_back({"TANGENT", 0, gpu::Format::R32G32B32_Float, 0, 0xFFFFFFFFu});
    auto layout = gDevice->CreateInputLayout(elements.data(), static_cast<uint32_t>(elements.size()), *vsBlob);
    ASSERT_TRUE(layout);
    // Without BLENDWEIGHT the shader's input is missing.
    EXPECT_FALSE(gDevice->CreateInputLayout(elements.data(), 11, *vsBlob));

    struct Vertex {
        float position[3];
        float t[8];
        float colour[4];
        uint32_t index;
        float weight;
        float tangent[3];
    };
    std::vector<Vertex> vertices(4);
    for (int i = 0; i < 4; ++i) {
        Vertex& v = vertices[i];
        v = {};
        v.position[0] = (i & 1) ? 0.5f : -0.5f;
        v.position[1] = (i & 2) ? -0.5f : 0.5f;
        for (int k = 0; k < 8; ++k) v.t[k] = 0.01f * (k + 1);  // sum 0.36
        v.colour[1] = 0.5f;
        v.index = 3;
        v.weight = 1.0f;
    }
    gpu::BufferDesc desc;
    desc.ByteWidth = static_cast<uint32_t>(sizeof(Vertex) * vertices.size());
    desc.BindFlags = gpu::BIND_VERTEX_BUFFER;
    gpu::SubresourceData data;
    data.pSysMem = vertices.data();
    auto buffer = gDevice->CreateBuffer(desc, &data);

    TestTarget target = MakeTestTarget(kSize, kSize);
    BeginRenderPass(target, kSize, vs, Pixel("PS_Colour"));
    const uint32_t stride = sizeof(Vertex), offset = 0;
    gContext->IASetInputLayout(layout);
    gContext->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->Draw(4, 0);
    EXPECT_TRUE(Near(PixelAt(ReadPixels(target.texture), kSize, kSize / 2, kSize / 2), 92, 128, 77));
}

TEST(HlslRenderInputs, IdsFacesClipAttributesTablesAndMatrixOrder) {
    if (!InitTestDevice(kSize, kSize)) GTEST_SKIP() << "no GL device";
    std::string errors;
    auto vsBlob = Compile(kShader, "VS_Ids", "vs_4_0", &errors);
    ASSERT_TRUE(vsBlob) << errors;
    EXPECT_TRUE(vsBlob->inputs.empty());
    auto vs = gDevice->CreateVertexShader(vsBlob, &errors);
    ASSERT_TRUE(vs) << errors;

    // rowMajorScale mirrors x and moves down by a quarter (row 3 holds the translation as
    // the pragma asks); columnMajor moves right by half, its translation stored in column 3
    // as a column-major matrix keeps it.
    float params[32] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -0.25f, 0, 1,
                        1,  0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0,     0, 1};
    gpu::BufferDesc desc;
    desc.ByteWidth = sizeof(params);
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    gpu::SubresourceData data;
    data.pSysMem = params;
    auto buffer = gDevice->CreateBuffer(desc, &data);

    TestTarget target = MakeTestTarget(kSize, kSize);
    BeginRenderPass(target, kSize, vs, Pixel("PS_Face"));
    gContext->VSSetConstantBuffers(0, 1, &buffer);
    gpu::RasterizerDesc bothFaces;
    bothFaces.CullMode = gpu::CullMode::None;
    gContext->RSSetState(gDevice->CreateRasterizerState(bothFaces));
    gContext->IASetInputLayout(nullptr);
    gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleStrip);
    gContext->DrawInstanced(4, 2, 0, 0);
    const std::vector<uint8_t> pixels = ReadPixels(target.texture);
    // Shade: (0.2 + 0.5 + 0.8 - 0.5) / 2 = 0.5. The mirror puts instance 1 on the left and
    // the move right takes it to the right half (instance 0 leaves the target); the mirror
    // also turns the strip's winding, so its faces are back faces (green 0.5).
    EXPECT_TRUE(Near(PixelAt(pixels, kSize, 6, 4), 128, 128, 128));
    EXPECT_TRUE(Near(PixelAt(pixels, kSize, 1, 4), 0, 0, 0));
    // Row 0 is empty after the move down, row 1 is discarded.
    EXPECT_TRUE(Near(PixelAt(pixels, kSize, 6, 1), 0, 0, 0));
    EXPECT_TRUE(Near(PixelAt(pixels, kSize, 6, 2), 128, 128, 128));
    gContext->RSSetState(nullptr);
}
