/* Writes a mono 8000 Hz FLAC file of a 440 Hz tone at half scale with the given sample
   size, which sox and FFmpeg cannot: flacbits BITS SECONDS FILE */
#include <FLAC/stream_encoder.h>
#include <math.h>
#include <stdlib.h>
int main(int argc, char** argv) {
    int bits = atoi(argv[1]); double seconds = atof(argv[2]); int rate = 8000;
    unsigned n = (unsigned)(seconds * rate);
    FLAC__StreamEncoder* e = FLAC__stream_encoder_new();
    FLAC__stream_encoder_set_channels(e, 1);
    FLAC__stream_encoder_set_bits_per_sample(e, bits);
    FLAC__stream_encoder_set_sample_rate(e, rate);
    FLAC__stream_encoder_set_compression_level(e, 5);
    FLAC__stream_encoder_set_total_samples_estimate(e, n);
    if (FLAC__stream_encoder_init_file(e, argv[3], NULL, NULL) != 0) return 1;
    FLAC__int32* s = malloc(n * sizeof *s);
    for (unsigned i = 0; i < n; ++i) s[i] = (FLAC__int32)(0.5 * sin(2 * M_PI * 440 * i / rate) * ((1 << (bits - 1)) - 1));
    if (!FLAC__stream_encoder_process_interleaved(e, s, n)) return 2;
    FLAC__stream_encoder_finish(e);
    return 0;
}
