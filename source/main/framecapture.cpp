#include "main/framecapture.h"

#include <cstring>

#include "graphics/devicestate.h"
#include "system/log.h"
#include "system/videowriter.h"

namespace {

gpu::Texture2DDesc ReadableDesc(uint32_t width, uint32_t height, gpu::Usage usage) {
    gpu::Texture2DDesc desc;
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = gpu::Format::R8G8B8A8_UNorm;
    desc.SampleDesc = {1, 0};
    desc.Usage = usage;
    desc.BindFlags = usage == gpu::Usage::Staging ? 0u : static_cast<uint32_t>(gpu::BIND_SHADER_RESOURCE);
    desc.CPUAccessFlags = usage == gpu::Usage::Staging ? static_cast<uint32_t>(gpu::CPU_ACCESS_READ) : 0u;
    return desc;
}

bool IsMultisampled(const gpu::Texture2DDesc& desc) { return gMsaaEnabled || desc.SampleDesc.Count > 1; }

// The back buffer itself, or its resolve into *resolve (made or remade to fit).
gpu::Texture2DPtr SingleSampledBackBuffer(const gpu::Texture2DPtr& back, gpu::Texture2DPtr* resolve) {
    const gpu::Texture2DDesc& desc = back->GetDesc();
    if (!IsMultisampled(desc)) return back;
    if (!*resolve || (*resolve)->GetDesc().Width != desc.Width || (*resolve)->GetDesc().Height != desc.Height)
        *resolve = gDevice->CreateTexture2D(ReadableDesc(desc.Width, desc.Height, gpu::Usage::Default), nullptr);
    if (!*resolve) return nullptr;
    gContext->ResolveSubresource(*resolve, 0, back, 0, gpu::Format::R8G8B8A8_UNorm);
    return *resolve;
}

}  // namespace

const uint8_t* PackRows(const uint8_t* rows, uint32_t rowPitch, int width, int height, std::vector<uint8_t>* scratch) {
    const size_t packedPitch = static_cast<size_t>(width) * 4;
    if (rowPitch == packedPitch) return rows;
    scratch->resize(packedPitch * static_cast<size_t>(height));
    for (int row = 0; row < height; ++row)
        std::memcpy(scratch->data() + packedPitch * row, rows + static_cast<size_t>(rowPitch) * row, packedPitch);
    return scratch->data();
}

bool ReadBackBufferNow(std::vector<uint8_t>* rgba, int* width, int* height) {
    if (!gSwapChain || !gDevice || !gContext) return false;
    gpu::Texture2DPtr back = gSwapChain->GetBuffer();
    if (!back) return false;
    const gpu::Texture2DDesc& desc = back->GetDesc();
    gpu::Texture2DPtr resolve;
    gpu::Texture2DPtr source = SingleSampledBackBuffer(back, &resolve);
    gpu::Texture2DPtr staging = gDevice->CreateTexture2D(ReadableDesc(desc.Width, desc.Height, gpu::Usage::Staging), nullptr);
    if (!source || !staging) return false;
    gContext->CopyResource(staging, source);
    gpu::MappedSubresource mapped;
    if (!gContext->Map(staging, 0, gpu::MapType::Read, &mapped)) return false;
    *width = static_cast<int>(desc.Width);
    *height = static_cast<int>(desc.Height);
    std::vector<uint8_t> scratch;
    const uint8_t* rows = PackRows(static_cast<const uint8_t*>(mapped.pData), mapped.RowPitch, *width, *height, &scratch);
    rgba->assign(rows, rows + static_cast<size_t>(*width) * 4 * static_cast<size_t>(*height));
    gContext->Unmap(staging, 0);
    return true;
}

FrameCapture::FrameCapture(VideoWriter* writer, unsigned depth, ColourConversion conversion)
    : writer_(writer), slots_(depth < 2 ? 2 : depth), conversion_(conversion) {}

FrameCapture::~FrameCapture() { Drain(); }

bool FrameCapture::SetUpConversion() {
    conversionTried_ = true;
    if (conversion_ == ColourConversion::Cpu) return false;
    if (conversion_ == ColourConversion::Automatic && gDevice->GetAdapterInfo().software) return false;
    Yuv420Layout layout;
    if (!writer_->TakesYuv420(&layout)) return false;
    if (!converter_.Init(layout)) {
        LOG("Recording converts its colours on the CPU instead");
        return false;
    }
    return true;
}

bool FrameCapture::EnsureTextures(const gpu::Texture2DDesc& backBuffer) {
    if (slots_.front().staging) return true;
    if (!conversionTried_) SetUpConversion();
    // Converted frames are read back in the converter's packed layout.
    const uint32_t width = converter_.IsReady() ? converter_.Layout().TextureWidth() : backBuffer.Width;
    const uint32_t height = converter_.IsReady() ? converter_.Layout().TextureHeight() : backBuffer.Height;
    for (Slot& slot : slots_) {
        slot.staging = gDevice->CreateTexture2D(ReadableDesc(width, height, gpu::Usage::Staging), nullptr);
        if (!slot.staging) {
            for (Slot& made : slots_) made.staging.reset();
            return false;
        }
    }
    return true;
}

void FrameCapture::Skip(unsigned frame, const char* reason) {
    ++skipped_;
    LOG("Skipping video frame %u: %s", frame, reason);
}

void FrameCapture::Capture(unsigned frame) {
    if (!writer_ || !gSwapChain || !gDevice || !gContext) {
        Skip(frame, "no device");
        return;
    }
    gpu::Texture2DPtr back = gSwapChain->GetBuffer();
    if (!back) {
        Skip(frame, "failed to get the back buffer");
        return;
    }
    const gpu::Texture2DDesc& desc = back->GetDesc();
    if (desc.Width != writer_->Width() || desc.Height != writer_->Height()) {
        // A resized window changes the back buffer; the video keeps its size. Say so once.
        ++skipped_;
        if (!sizeMismatchLogged_)
            LOG("Skipping video frames: the back buffer is %ux%u, the video %ux%u", desc.Width, desc.Height,
                writer_->Width(), writer_->Height());
        sizeMismatchLogged_ = true;
        return;
    }
    sizeMismatchLogged_ = false;
    if (!EnsureTextures(desc)) {
        Skip(frame, "failed to create the staging textures");
        return;
    }
    gpu::Texture2DPtr source = SingleSampledBackBuffer(back, &resolve_);
    if (!source) {
        Skip(frame, "failed to create the resolve texture");
        return;
    }
    if (converter_.IsReady()) source = converter_.Convert(source);
    if (!source) {
        Skip(frame, "failed to convert its colours");
        return;
    }
    // The copy is asynchronous; the slot is mapped only depth - 1 frames later.
    Slot& slot = slots_[next_];
    slot.frame = frame;
    gContext->CopyResource(slot.staging, source);
    inFlight_.push_back(next_);
    next_ = (next_ + 1) % slots_.size();
    if (inFlight_.size() >= slots_.size()) WriteOldest();
}

void FrameCapture::WriteOldest() {
    Slot& slot = slots_[inFlight_.front()];
    inFlight_.pop_front();
    gpu::MappedSubresource mapped;
    if (!gContext->Map(slot.staging, 0, gpu::MapType::Read, &mapped)) {
        Skip(slot.frame, "failed to map the staging texture");
        return;
    }
    const auto* rows = static_cast<const uint8_t*>(mapped.pData);
    if (converter_.IsReady()) {
        const Yuv420Layout& layout = converter_.Layout();
        writer_->writeYuv420Frame(PackRows(rows, mapped.RowPitch, layout.TextureWidth(), layout.TextureHeight(), &packed_));
    } else {
        const int width = static_cast<int>(writer_->Width());
        const int height = static_cast<int>(writer_->Height());
        writer_->writeFrame(PackRows(rows, mapped.RowPitch, width, height, &packed_));
    }
    gContext->Unmap(slot.staging, 0);
    ++written_;
}

void FrameCapture::Drain() {
    while (!inFlight_.empty()) WriteOldest();
}
