// The effect of the effect-system tests (resources 900, and 901 with
// VARIANT): quads given in clip space, moved by g_Wvp.

parameter float4x4 g_Wvp
parameter float4 g_Colour = 1 0 0 1
parameter float g_Gain[3] = 1
parameter int g_Pick = 0
parameter texture g_Tex
sampler g_Samp texture=g_Tex filter=point mipfilter=none address=clamp
vertexarray g_Vs index=g_Pick vs_pick(PICK=0) vs_pick(PICK=1) vs_pick(PICK=2)

technique T_Flat
  pass P0 vertex=vs_quad fragment=fs_colour
technique T_Pick
  pass P0 vertex=g_Vs fragment=fs_vary
technique T_Textured
  pass P0 vertex=vs_quad fragment=fs_texture
technique T_Add
  pass P0 vertex=vs_quad fragment=fs_colour
    state AlphaBlendEnable=true SrcBlend=One DestBlend=One
  pass P1 vertex=vs_quad fragment=fs_colour
    state ZEnable=false
#ifdef VARIANT
technique T_Variant
  pass P0 vertex=vs_quad fragment=fs_colour
#endif

@vertex vs_quad
out vec2 v_uv;
void main() {
  v_uv = a_texCoord0.xy;
  gl_Position = d3d_ClipFix(g_Wvp * vec4(a_position.xyz, 1.0));
}

@vertex vs_pick
out vec4 v_colour;
void main() {
  v_colour = PICK == 0 ? vec4(1.0, 0.0, 0.0, 1.0) : PICK == 1 ? vec4(0.0, 1.0, 0.0, 1.0) : vec4(0.0, 0.0, 1.0, 1.0);
  gl_Position = d3d_ClipFix(g_Wvp * vec4(a_position.xyz, 1.0));
}

@fragment fs_colour
out vec4 colour;
void main() { colour = g_Colour * g_Gain[0] * g_Gain[2]; }

@fragment fs_vary
in vec4 v_colour;
out vec4 colour;
void main() { colour = v_colour; }

@fragment fs_texture
in vec2 v_uv;
out vec4 colour;
void main() { colour = texture(g_Samp, v_uv); }
