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

// Bloom: what is really bright (by luminance, above a threshold with a soft
// knee) goes into a half-size target, is blurred there into a glow with a
// round, wide skirt, and is laid over the scene as a screen blend (times
// g_GPV): the glow lights dark surroundings and fades on bright ones, so it
// can never push a lit surface past white. Only the first and last passes
// set blending; every screen pass turns depth testing and culling off.
technique T_QHDR
  pass P0 vertex=vs_screen fragment=fs_bloom_bright
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaBlendEnable=false AlphaTestEnable=false
  pass P1 vertex=vs_screen fragment=fs_bloom_blur(ACROSS)
    state ZEnable=false ZWriteEnable=false CullMode=None
  pass P2 vertex=vs_screen fragment=fs_bloom_blur(DOWN)
    state ZEnable=false ZWriteEnable=false CullMode=None
  pass P3 vertex=vs_screen fragment=fs_bloom_wide
    state ZEnable=false ZWriteEnable=false CullMode=None
  pass P4 vertex=vs_screen fragment=fs_bloom_add
    state ZEnable=false ZWriteEnable=false CullMode=None AlphaTestEnable=false
    state AlphaBlendEnable=true SrcBlend=One DestBlend=InvSrcColor BlendOp=Add

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
// What glows: luminance above kThreshold, eased in over a knee of kKnee on
// either side so that nothing pops on or off, then scaled so that white
// gives its full colour. Mid-tones (up to kThreshold - kKnee) give nothing.
// At half size a pixel's centre lies between four texels: one bilinear tap
// averages them.
const float kThreshold = 0.85;
const float kKnee = 0.1;

void main() {
  vec3 c = texture(g_SampMain, v_uv0).rgb;
  float luma = Luma(c);
  float eased = clamp(luma - kThreshold + kKnee, 0.0, 2.0 * kKnee);
  float excess = max(eased * eased / (4.0 * kKnee), luma - kThreshold);
  fragColor = vec4(c * (excess / max(luma, 1e-4) / (1.0 - kThreshold)), 1.0);
}

@fragment fs_bloom_blur
// The glow's core: a separable Gaussian (sigma 4.5 steps of g_BlurOffset)
// in thirteen taps 1.5 steps apart; each tap's bilinear footprint overlaps
// the next, so even a one-texel highlight spreads evenly.
const float kWeights[7] = float[7](0.13702, 0.12962, 0.10972, 0.08311, 0.05633, 0.03417, 0.01854);

void main() {
#ifdef ACROSS
  vec2 step = vec2(g_BlurOffset.x * 1.5, 0.0);
#else
  vec2 step = vec2(0.0, g_BlurOffset.y * 1.5);
#endif
  vec3 sum = texture(g_SampMain, v_uv0).rgb * kWeights[0];
  for (int i = 1; i < 7; ++i) {
    vec2 offset = step * float(i);
    sum += (texture(g_SampMain, v_uv0 + offset).rgb + texture(g_SampMain, v_uv0 - offset).rgb) * kWeights[i];
  }
  fragColor = vec4(sum, 1.0);
}

@fragment fs_bloom_wide
// The skirt around the core: the core itself, an inner ring of six taps at
// two steps of g_BlurOffset and an outer ring of ten at four steps (turned
// between the inner ones). Neighbouring taps of a ring lie no farther apart
// than twice the core's sigma, so a small highlight gets a round halo, not a
// star.
const vec2 kInner[6] = vec2[6](vec2(1.0, 0.0), vec2(0.5, 0.866), vec2(-0.5, 0.866), vec2(-1.0, 0.0),
                               vec2(-0.5, -0.866), vec2(0.5, -0.866));
const vec2 kOuter[10] = vec2[10](vec2(0.9511, 0.309), vec2(0.5878, 0.809), vec2(0.0, 1.0), vec2(-0.5878, 0.809),
                                 vec2(-0.9511, 0.309), vec2(-0.9511, -0.309), vec2(-0.5878, -0.809),
                                 vec2(0.0, -1.0), vec2(0.5878, -0.809), vec2(0.9511, -0.309));
const float kCoreWeight = 0.3;
const float kInnerWeight = 0.35 / 6.0;
const float kOuterWeight = 0.35 / 10.0;

void main() {
  vec3 inner = vec3(0.0);
  for (int i = 0; i < 6; ++i) inner += texture(g_SampMain, v_uv0 + kInner[i] * 2.0 * g_BlurOffset).rgb;
  vec3 outer = vec3(0.0);
  for (int i = 0; i < 10; ++i) outer += texture(g_SampMain, v_uv0 + kOuter[i] * 4.0 * g_BlurOffset).rgb;
  vec3 core = texture(g_SampMain, v_uv0).rgb;
  fragColor = vec4(core * kCoreWeight + inner * kInnerWeight + outer * kOuterWeight, 1.0);
}

@fragment fs_bloom_add
// The glow's strength eased towards g_GPV: faint glows (a glint's few
// pixels spread wide) are lifted kGain times, strong ones level off instead
// of turning the surroundings white. Blended as a screen (One,
// InvSrcColor): scene + glow * (1 - scene).
const float kGain = 4.0;

void main() {
  vec3 glow = texture(g_SampMain, v_uv0).rgb;
  fragColor = vec4((1.0 - exp(-kGain * glow)) * g_GPV, 0.0);
}

@fragment fs_distort
void main() {
  vec2 shift = (texture(g_SampSub, v_uv1).rg - 0.5) * 2.0 * g_BlurOffset;
  fragColor = texture(g_SampMain, v_uv0 + shift);
}
