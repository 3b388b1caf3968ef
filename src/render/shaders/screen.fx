// The screen effect (resource 10010): passes over the captured scene image.
// Quads come in clip space (Direct3D's XYZ | TEX1 or XYZ | TEX2), placed by
// Direct3D 9's pixel rules, which d3d_ClipFix keeps: a pixel samples its
// texel's centre, so an image copied through a pass stays in place.
//
// g_TexMain is the image a pass reads (first texture coordinates), g_TexSub
// the mask or distortion map (second texture coordinates). g_BlurOffset is
// the step between blur taps in texture units, or the centre of the radial
// blur; g_BlurWeights the centre tap's weight, then those of the taps 1 to 8
// on each side.

parameter float2 g_PixelSize
parameter float g_BlurWeights[9] = 0.138462 0.107692 0.092308 0.076923 0.061538 0.046154 0.030769 0.015385 0
parameter float2 g_BlurOffset
parameter float g_GPV = 1
parameter texture g_TexMain
parameter texture g_TexSub

sampler g_SampMain texture=g_TexMain filter=linear mipfilter=none address=clamp
sampler g_SampSub texture=g_TexSub filter=linear mipfilter=linear address=clamp

// The bright parts of the image, scaled by g_GPV.
technique T_Bright
  pass P0 vertex=vs_screen fragment=fs_bright
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false

// Colour drained by g_GPV (0 keeps it, 1 leaves grey).
technique T_Hypochromic
  pass P0 vertex=vs_screen fragment=fs_hypochromic
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false

// Separable blur: across, then down.
technique T_Blur
  pass P0 vertex=vs_screen fragment=fs_blur(ACROSS)
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false
  pass P1 vertex=vs_screen fragment=fs_blur(DOWN)
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false

// The same, blended with the sharp image by the mask (g_TexSub, red times alpha).
technique T_BlurTexel
  pass P0 vertex=vs_screen fragment=fs_blur(ACROSS, MASKED)
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false
  pass P1 vertex=vs_screen fragment=fs_blur(DOWN, MASKED)
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false

// Zoom blur towards g_BlurOffset (texture coordinates), length g_GPV.
technique T_BlurRadiate
  pass P0 vertex=vs_screen fragment=fs_radiate
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false

// Bloom: bright pass into a half-size target, blurs there, then the glow
// added onto the scene (times g_GPV). Only the first and last passes set
// blending; every screen pass turns depth testing and culling off.
technique T_QHDR
  pass P0 vertex=vs_screen fragment=fs_bloom_bright
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false
  pass P1 vertex=vs_screen fragment=fs_blur(ACROSS)
    state ZEnable=false ZWriteEnable=false CullMode=None
  pass P2 vertex=vs_screen fragment=fs_blur(DOWN)
    state ZEnable=false ZWriteEnable=false CullMode=None
  pass P3 vertex=vs_screen fragment=fs_bloom_wide
    state ZEnable=false ZWriteEnable=false CullMode=None
  pass P4 vertex=vs_screen fragment=fs_bloom_add
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaTestEnable=false
    state AlphaBlendEnable=true SrcBlend=One DestBlend=One BlendOp=Add

// The image shifted by a distortion map (g_TexSub rg around 0.5, times
// g_BlurOffset), then copied back.
technique T_Distortion
  pass P0 vertex=vs_screen fragment=fs_distort
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false
  pass P1 vertex=vs_screen fragment=fs_copy
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false

@common
#ifdef FRAGMENT_STAGE
in vec2 v_uv0;
in vec2 v_uv1;
out vec4 fragColor;

float Luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

vec4 Blur(vec2 uv, vec2 step) {
  vec4 sum = texture(g_SampMain, uv) * g_BlurWeights[0];
  for (int i = 1; i < 9; ++i) {
    vec2 offset = step * float(i);
    sum += (texture(g_SampMain, uv + offset) + texture(g_SampMain, uv - offset)) * g_BlurWeights[i];
  }
  return sum;
}

float Mask(vec2 uv) {
  vec4 m = texture(g_SampSub, uv);
  return clamp(m.r * m.a, 0.0, 1.0);
}
#endif

@vertex vs_screen
out vec2 v_uv0;
out vec2 v_uv1;

void main() {
  v_uv0 = a_texCoord0.xy;
  v_uv1 = a_texCoord1.xy;
  gl_Position = d3d_ClipFix(vec4(a_position.xyz, 1.0));
}

@fragment fs_copy
void main() { fragColor = texture(g_SampMain, v_uv0); }

@fragment fs_bright
void main() {
  vec4 c = texture(g_SampMain, v_uv0);
  fragColor = vec4(c.rgb * smoothstep(0.5, 0.9, Luma(c.rgb)) * g_GPV, c.a);
}

@fragment fs_hypochromic
void main() {
  vec4 c = texture(g_SampMain, v_uv0);
  fragColor = vec4(mix(c.rgb, vec3(Luma(c.rgb)), clamp(g_GPV, 0.0, 1.0)), c.a);
}

@fragment fs_blur
void main() {
  vec2 uv = v_uv0;
#ifdef ACROSS
  vec4 blurred = Blur(uv, vec2(g_BlurOffset.x, 0.0));
#else
  vec4 blurred = Blur(uv, vec2(0.0, g_BlurOffset.y));
#endif
#ifdef MASKED
  blurred = mix(texture(g_SampMain, uv), blurred, Mask(v_uv1));
#endif
  fragColor = blurred;
}

@fragment fs_radiate
void main() {
  vec2 uv = v_uv0;
  vec2 toCentre = g_BlurOffset - uv;
  vec4 sum = vec4(0.0);
  for (int i = 0; i < 12; ++i) sum += texture(g_SampMain, uv + toCentre * (g_GPV * float(i) / 11.0));
  fragColor = sum / 12.0;
}

@fragment fs_bloom_bright
// At half size a pixel's centre lies between four texels: one bilinear tap
// averages them.
void main() {
  vec4 c = texture(g_SampMain, v_uv0);
  float peak = max(c.r, max(c.g, c.b));
  fragColor = vec4(c.rgb * smoothstep(0.55, 0.95, peak), 1.0);
}

@fragment fs_bloom_wide
// A wide, round halo: 24 taps on a spiral out to eight steps of g_BlurOffset.
void main() {
  vec2 uv = v_uv0;
  vec4 sum = texture(g_SampMain, uv);
  float total = 1.0;
  for (int i = 1; i <= 24; ++i) {
    float r = sqrt(float(i) / 24.0);
    float a = float(i) * 2.39996;
    float w = 1.0 - 0.75 * r;
    sum += texture(g_SampMain, uv + vec2(cos(a), sin(a)) * r * 8.0 * g_BlurOffset) * w;
    total += w;
  }
  fragColor = sum / total;
}

@fragment fs_bloom_add
void main() {
  vec3 glow = texture(g_SampMain, v_uv0).rgb * g_GPV;
  fragColor = vec4(glow, 0.0);
}

@fragment fs_distort
void main() {
  vec2 shift = (texture(g_SampSub, v_uv1).rg - 0.5) * 2.0 * g_BlurOffset;
  fragColor = texture(g_SampMain, v_uv0 + shift);
}
