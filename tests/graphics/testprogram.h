#pragma once
// Compiles a small HLSL vertex + pixel shader pair for rendering tests and binds it with
// the states those tests share (no culling, no depth, opaque blending, one viewport).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/devicestate.h"
#include "graphics/dynamictexture.h"
#include "graphics/vertex.h"
#include "hlsl/hlslcompiler.h"

struct TestProgram {
    gpu::VertexShaderPtr vs;
    gpu::PixelShaderPtr ps;
    gpu::InputLayoutPtr layout;  // SVertexDesc layout, when asked for

    bool Build(const char* hlsl, bool vertexLayout) {
        std::shared_ptr<const gpu::ShaderBlob> blobs[2];
        const char* entries[2] = {"VS", "PS"};
        const char* profiles[2] = {"vs_5_0", "ps_5_0"};
        for (int i = 0; i < 2; ++i) {
            gpu::CompileRequest request;
            request.source = hlsl;
            request.sourceLength = std::strlen(hlsl);
            request.sourceName = "test.fx";
            request.entryPoint = entries[i];
            request.profile = profiles[i];
            std::string errors;
            blobs[i] = gpu::CompileHLSL(request, &errors);
            if (!blobs[i]) {
                ADD_FAILURE() << errors;
                return false;
            }
        }
        vs = gDevice->CreateVertexShader(blobs[0]);
        ps = gDevice->CreatePixelShader(blobs[1]);
        if (vertexLayout) layout = gDevice->CreateInputLayout(kSVertexLayout, 3, *blobs[0]);
        return vs && ps && (!vertexLayout || layout);
    }

    // Binds the shaders and states and makes `target` the only render target.
    void Bind(const DynamicTexture& target) const {
        gpu::RasterizerDesc raster;
        raster.CullMode = gpu::CullMode::None;
        gpu::DepthStencilDesc depth;
        depth.DepthEnable = false;
        gContext->RSSetState(gDevice->CreateRasterizerState(raster));
        gContext->OMSetDepthStencilState(gDevice->CreateDepthStencilState(depth), 0);
        gContext->OMSetBlendState(gDevice->CreateBlendState(gpu::BlendDesc{}), nullptr, 0xFFFFFFFFu);
        gpu::Viewport viewport;
        viewport.Width = target.GetWidth();
        viewport.Height = target.GetHeight();
        gContext->RSSetViewports(1, &viewport);
        gContext->OMSetRenderTargets(1, &target.GetTarget(), nullptr);
        gContext->IASetInputLayout(layout);
        gContext->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
        gContext->VSSetShader(vs);
        gContext->PSSetShader(ps);
    }
};
