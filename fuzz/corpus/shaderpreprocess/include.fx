#include "common.fxh"
#include "x.h"
technique11 T { pass P { SetVertexShader(CompileShader(vs_5_0, VS())); } }
BlendState B { BlendEnable[0] = TRUE; };
float4 PS() : SV_Target { return 1; }
