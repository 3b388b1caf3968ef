// The material effect: how every surface of the scene is shaded.
// Resource 10000 is this file as it is; resource 10003 is the same file with
// HIGH_QUALITY defined, which adds the lower-hemisphere ambient colour.
//
// Conventions of the maps:
// - normal map: tangent space, x along the tangent (+u), y along the
//   binormal (+v), z out of the surface; (0.5, 0.5, 1) is flat;
// - specular map: rgb is the highlight colour, alpha times 255 the exponent
//   (the default map's 0.0625 gives 16);
// - emissive map: a signed offset around 0.5, added after lighting (times
//   two): brighter than 0.5 glows, darker darkens, 0.5 changes nothing;
// - light map (g_TexExtra, second texture coordinates): the lit colour times
//   the map times two, like the fixed pipeline's MODULATE2X.
//
// g_GPV by family: Char* (not CharFull) the wrap of the diffuse light
// (0 hard, 1 soft; CharFull uses 0.5), Toon* the darkening of silhouette
// edges (an ink line, 0 none), Hair* the strength of the second, tinted
// highlight, PlainBright the brightness factor.

parameter float4x4 g_MatWorld[4]
parameter float4x4 g_MatWIT[4]
parameter float4x4 g_MatWVP[4]
parameter int g_TransformBlend = 0
parameter float3 g_CamPos
parameter float g_FogStart = 0
parameter float g_FogInvDist = 0
parameter float4 g_Specular = 0.25 0.25 0.25 16
parameter float4 g_LightAmbient = 0.3 0.3 0.3 1
#ifdef HIGH_QUALITY
parameter float4 g_LightAmbient2 = 0.3 0.3 0.3 1
#endif
parameter float3 g_LightDirR[2] = 0 1 0
parameter float4 g_LightColor[2] = 0 0 0 1
parameter float3 g_LightRim
parameter float g_GPV = 0
parameter float4 g_OutputColorRate = 1 1 1 1
parameter texture g_TexDiffuse
parameter texture g_TexNormal
parameter texture g_TexSpecular
parameter texture g_TexEmissive
parameter texture g_TexExtra

sampler g_SampDiffuse texture=g_TexDiffuse filter=linear mipfilter=linear address=wrap
sampler g_SampNormal texture=g_TexNormal filter=linear mipfilter=linear address=wrap
sampler g_SampSpecular texture=g_TexSpecular filter=linear mipfilter=linear address=wrap
sampler g_SampEmissive texture=g_TexEmissive filter=linear mipfilter=linear address=wrap
sampler g_SampExtra texture=g_TexExtra filter=linear mipfilter=linear address=wrap

// g_TransformBlend matrices beyond the first: element n blends n + 1 matrices.
vertexarray g_VsWorld index=g_TransformBlend vs_object(BLEND=0) vs_object(BLEND=1) vs_object(BLEND=2) vs_object(BLEND=3)
vertexarray g_VsWorld_2T index=g_TransformBlend vs_object(BLEND=0, TWO_TEX) vs_object(BLEND=1, TWO_TEX) vs_object(BLEND=2, TWO_TEX) vs_object(BLEND=3, TWO_TEX)
vertexarray g_VsTangent index=g_TransformBlend vs_object(BLEND=0, TANGENT) vs_object(BLEND=1, TANGENT) vs_object(BLEND=2, TANGENT) vs_object(BLEND=3, TANGENT)
vertexarray g_VsTangent_2T index=g_TransformBlend vs_object(BLEND=0, TANGENT, TWO_TEX) vs_object(BLEND=1, TANGENT, TWO_TEX) vs_object(BLEND=2, TANGENT, TWO_TEX) vs_object(BLEND=3, TANGENT, TWO_TEX)
vertexarray g_VsPlain index=g_TransformBlend vs_object(BLEND=0, PLAIN) vs_object(BLEND=1, PLAIN) vs_object(BLEND=2, PLAIN) vs_object(BLEND=3, PLAIN)

technique T_Dummy
  pass P0 vertex=g_VsPlain fragment=fs_plain

// Standard surfaces.
technique T_Std_Simple
  pass P0 vertex=g_VsWorld fragment=fs_lit(MODEL_STD)
technique T_Std_Mid
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_STD, NORMAL_MAP)
technique T_Std_MidP
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_STD, NORMAL_MAP, SPEC_MAP)
technique T_Std_Full
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_STD, NORMAL_MAP, SPEC_MAP, EMISSIVE_MAP)

// Characters: wrapped diffuse light and a stronger rim.
technique T_Char_Simple
  pass P0 vertex=g_VsWorld fragment=fs_lit(MODEL_CHAR, GPV_WRAP)
technique T_Char_Mid
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_CHAR, GPV_WRAP, NORMAL_MAP)
technique T_Char_MidP
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_CHAR, GPV_WRAP, NORMAL_MAP, SPEC_MAP)
technique T_Char_Full
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_CHAR, NORMAL_MAP, SPEC_MAP, EMISSIVE_MAP)

// The level: lit, then times the light map.
technique T_Map_Simple
  pass P0 vertex=g_VsWorld_2T fragment=fs_lit(MODEL_STD, LIGHT_MAP)
technique T_Map_Mid
  pass P0 vertex=g_VsTangent_2T fragment=fs_lit(MODEL_STD, LIGHT_MAP, NORMAL_MAP)
technique T_Map_MidP
  pass P0 vertex=g_VsTangent_2T fragment=fs_lit(MODEL_STD, LIGHT_MAP, NORMAL_MAP, SPEC_MAP)
technique T_Map_Full
  pass P0 vertex=g_VsTangent_2T fragment=fs_lit(MODEL_STD, LIGHT_MAP, NORMAL_MAP, SPEC_MAP, EMISSIVE_MAP)

// Cartoon shading: banded light, crisp highlights, inked edges.
technique T_Toon
  pass P0 vertex=g_VsWorld fragment=fs_lit(MODEL_TOON, SPEC_MAP, EMISSIVE_MAP)
technique T_ToonHair
  pass P0 vertex=g_VsWorld fragment=fs_lit(MODEL_TOON_HAIR)
technique T_Toon2
  pass P0 vertex=g_VsWorld fragment=fs_lit(MODEL_TOON2, SPEC_MAP, EMISSIVE_MAP)
technique T_ToonHair2
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_TOON_HAIR, NORMAL_MAP, EMISSIVE_MAP)

// Hair: highlights stretched across the strands.
technique T_Hair
  pass P0 vertex=g_VsWorld fragment=fs_lit(MODEL_HAIR, SPEC_MAP)
technique T_Hair2
  pass P0 vertex=g_VsTangent fragment=fs_lit(MODEL_HAIR, NORMAL_MAP, SPEC_MAP)

// Depth only, with the level's two vertex shaders: the level lays down its
// depth before it is shaded, so that each pixel shades only its nearest
// surface (the same positions, so the same depths, as the shaded pass).
technique T_Depth_Map
  pass P0 vertex=g_VsWorld_2T fragment=fs_depth
    state ColorWriteEnable=0
technique T_Depth_MapTangent
  pass P0 vertex=g_VsTangent_2T fragment=fs_depth
    state ColorWriteEnable=0

// Unlit.
technique T_Plain
  pass P0 vertex=g_VsPlain fragment=fs_plain
technique T_PlainBright
  pass P0 vertex=g_VsPlain fragment=fs_plain(BRIGHT)
technique T_PlainOCR
  pass P0 vertex=g_VsPlain fragment=fs_plain(OUTPUT_COLOR_RATE)

@vertex vs_object
// Blends BLEND + 1 world matrices: the first BLEND weights come with the
// vertex, the last one makes the sum 1 (Direct3D's vertex blending).
out vec3 v_worldPos;
out vec3 v_normal;
out vec2 v_uv0;
out float v_fog;
#ifdef TWO_TEX
out vec2 v_uv1;
#endif
#ifdef TANGENT
out vec3 v_tangent;
out vec3 v_binormal;
#endif

void main() {
  vec4 position = vec4(a_position.xyz, 1.0);
  float weights[4] = float[4](0.0, 0.0, 0.0, 0.0);
  float last = 1.0;
  for (int i = 0; i < BLEND; ++i) {
    weights[i] = a_blendWeight[i];
    last -= weights[i];
  }
  weights[BLEND] = last;

  vec4 world = vec4(0.0);
  vec4 clip = vec4(0.0);
  vec3 normal = vec3(0.0);
#ifdef TANGENT
  vec3 tangent = vec3(0.0);
  vec3 binormal = vec3(0.0);
  // Loaded meshes carry normals and tangents only: their binormal (+v) is
  // the normal crossed with the tangent, as texture coordinates are never
  // mirrored on them.
  vec3 modelBinormal = dot(a_binormal, a_binormal) > 1e-8 ? a_binormal : cross(a_normal, a_tangent);
#endif
  for (int i = 0; i <= BLEND; ++i) {
    world += weights[i] * (g_MatWorld[i] * position);
    clip += weights[i] * (g_MatWVP[i] * position);
#ifndef PLAIN
    normal += weights[i] * (mat3(g_MatWIT[i]) * a_normal);
#endif
#ifdef TANGENT
    tangent += weights[i] * (mat3(g_MatWorld[i]) * a_tangent);
    binormal += weights[i] * (mat3(g_MatWorld[i]) * modelBinormal);
#endif
  }

  v_worldPos = world.xyz;
  v_normal = normal;
  v_uv0 = a_texCoord0.xy;
#ifdef TWO_TEX
  v_uv1 = a_texCoord1.xy;
#endif
#ifdef TANGENT
  v_tangent = tangent;
  v_binormal = binormal;
#endif
  // Linear fog by the distance to the eye: 1 before g_FogStart, 0 at the end.
  v_fog = clamp(1.0 - (distance(world.xyz, g_CamPos) - g_FogStart) * g_FogInvDist, 0.0, 1.0);
  gl_Position = d3d_ClipFix(clip);
}

@fragment fs_lit
in vec3 v_worldPos;
in vec3 v_normal;
in vec2 v_uv0;
in float v_fog;
#ifdef LIGHT_MAP
in vec2 v_uv1;
#endif
#ifdef NORMAL_MAP
in vec3 v_tangent;
in vec3 v_binormal;
#endif
out vec4 fragColor;

vec3 SafeNormalize(vec3 v, vec3 fallback) {
  float length2 = dot(v, v);
  return length2 > 1e-12 ? v * inversesqrt(length2) : fallback;
}

float Luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

vec3 Ambient(vec3 n) {
#ifdef HIGH_QUALITY
  // Sky colour above, ground colour below, by the normal's height.
  return mix(g_LightAmbient2.rgb, g_LightAmbient.rgb, 0.5 * n.y + 0.5);
#else
  return g_LightAmbient.rgb;
#endif
}

// Diffuse response to n.l.
float Diffuse(float nl) {
#if defined(MODEL_CHAR)
#ifdef GPV_WRAP
  float wrap = clamp(g_GPV, 0.0, 1.0);
#else
  float wrap = 0.5;
#endif
  return max((nl + wrap) / (1.0 + wrap), 0.0);
#elif defined(MODEL_TOON)
  // Three bands: shadow, half tone, lit.
  return 0.5 * smoothstep(-0.04, 0.04, nl) + 0.5 * smoothstep(0.46, 0.54, nl);
#elif defined(MODEL_TOON2) || defined(MODEL_TOON_HAIR)
  // Two bands.
  return smoothstep(0.0, 0.06, nl);
#elif defined(MODEL_HAIR)
  // Light passes through the strands: a soft terminator.
  return max(0.75 * nl + 0.25, 0.0);
#else
  return max(nl, 0.0);
#endif
}

// The direction of the strands: down the object (its -Y), across the surface.
vec3 StrandDirection(vec3 n) {
  vec3 down = -SafeNormalize(g_MatWorld[0][1].xyz, vec3(0.0, 1.0, 0.0));
  return SafeNormalize(down - n * dot(n, down), SafeNormalize(cross(n, vec3(1.0, 0.0, 0.0)), vec3(0.0, 0.0, 1.0)));
}

// Highlight along the strands (Kajiya-Kay): strongest where the half vector
// is across the strand.
float StrandHighlight(vec3 strand, vec3 h, float power) {
  float th = dot(strand, h);
  return pow(sqrt(max(1.0 - th * th, 0.0)), power);
}

void main() {
  vec4 albedo = texture(g_SampDiffuse, v_uv0);
  vec3 n = SafeNormalize(v_normal, vec3(0.0, 1.0, 0.0));
#ifdef NORMAL_MAP
  vec3 t = SafeNormalize(v_tangent - n * dot(n, v_tangent), vec3(0.0));
  vec3 b = SafeNormalize(v_binormal - n * dot(n, v_binormal), vec3(0.0));
  vec3 m = texture(g_SampNormal, v_uv0).xyz * 2.0 - 1.0;
  n = SafeNormalize(m.x * t + m.y * b + m.z * n, n);
#endif
  vec3 v = SafeNormalize(g_CamPos - v_worldPos, n);
  float nv = max(dot(n, v), 0.0);

#ifdef SPEC_MAP
  vec4 specularTexel = texture(g_SampSpecular, v_uv0);
  vec3 specularColour = specularTexel.rgb;
  float power = max(specularTexel.a * 255.0, 1.0);
#else
  vec3 specularColour = g_Specular.rgb;
  float power = max(g_Specular.w, 1.0);
#endif
#if defined(MODEL_TOON) || defined(MODEL_TOON2) || defined(MODEL_TOON_HAIR)
  // Cartoon and hair highlights are tighter than the material's exponent
  // says, as in the fixed pipeline's colours for these kinds.
  specularColour *= 1.2;
  power *= 2.5;
#elif defined(MODEL_HAIR)
  power *= 8.0;
#endif

#if defined(MODEL_HAIR) || defined(MODEL_TOON_HAIR)
  vec3 strand = StrandDirection(n);
#endif

  vec3 diffuse = vec3(0.0);
  vec3 specular = vec3(0.0);
  vec3 sheen = vec3(0.0);
  for (int i = 0; i < 2; ++i) {
    vec3 l = g_LightDirR[i];
    vec3 colour = g_LightColor[i].rgb;
    float nl = dot(n, l);
    diffuse += colour * Diffuse(nl);
    vec3 h = SafeNormalize(l + v, n);
    float facing = smoothstep(0.0, 0.15, nl);
#if defined(MODEL_TOON) || defined(MODEL_TOON2)
    specular += colour * smoothstep(0.45, 0.55, pow(max(dot(n, h), 0.0), power)) * facing;
#elif defined(MODEL_TOON_HAIR)
    // A crisp ring of light across the strands.
    specular += colour * smoothstep(0.5, 0.6, StrandHighlight(strand, h, power)) * facing;
#elif defined(MODEL_HAIR)
    specular += colour * StrandHighlight(strand, h, power) * facing;
    // A wider second highlight, shifted towards the root, in the hair's colour.
    vec3 shifted = SafeNormalize(strand - 0.3 * n, strand);
    sheen += colour * StrandHighlight(shifted, h, max(power * 0.25, 1.0)) * facing;
#else
    specular += colour * pow(max(dot(n, h), 0.0), power) * facing;
#endif
  }

  // Edge light from the surroundings.
  float edge = 1.0 - nv;
#if defined(MODEL_CHAR)
  vec3 rim = g_LightRim * (0.8 * edge * edge * edge);
#elif defined(MODEL_TOON) || defined(MODEL_TOON2) || defined(MODEL_TOON_HAIR)
  vec3 rim = g_LightRim * (0.4 * smoothstep(0.6, 0.7, edge));
#else
  vec3 rim = g_LightRim * (0.35 * edge * edge * edge);
#endif

  vec3 colour = albedo.rgb * (Ambient(n) + diffuse + rim);
#ifdef MODEL_HAIR
  colour += albedo.rgb * sheen * (0.5 * clamp(g_GPV, 0.0, 2.0));
#endif
#if defined(MODEL_TOON2)
  // Shadows keep the colour of the surface: deepen them instead of greying.
  colour = mix(colour, colour * albedo.rgb * 1.6, 0.35 * (1.0 - clamp(Luma(diffuse), 0.0, 1.0)));
#endif
#ifdef LIGHT_MAP
  vec3 lightMap = texture(g_SampExtra, v_uv1).rgb * 2.0;
  colour *= lightMap;
  specular *= clamp(Luma(lightMap), 0.0, 1.0);
#endif
  colour += specularColour * specular;
#ifdef EMISSIVE_MAP
  colour += (texture(g_SampEmissive, v_uv0).rgb - 0.5) * 2.0;
#endif
#if defined(MODEL_TOON) || defined(MODEL_TOON2) || defined(MODEL_TOON_HAIR)
  // Ink on the silhouette.
  colour *= 1.0 - clamp(g_GPV, 0.0, 1.0) * (1.0 - smoothstep(0.18, 0.32, nv));
#endif
  fragColor = d3d_Fog(vec4(clamp(colour, 0.0, 1.0), albedo.a), v_fog);
}

@fragment fs_plain
// Unlit texture: as it is, times g_GPV (BRIGHT) or times g_OutputColorRate.
in vec2 v_uv0;
in float v_fog;
out vec4 fragColor;

void main() {
  vec4 colour = texture(g_SampDiffuse, v_uv0);
#ifdef BRIGHT
  colour.rgb *= g_GPV;
#endif
#ifdef OUTPUT_COLOR_RATE
  colour *= g_OutputColorRate;
#endif
  fragColor = d3d_Fog(clamp(colour, 0.0, 1.0), v_fog);
}

@fragment fs_depth
out vec4 fragColor;

void main() { fragColor = vec4(0.0); }
