// Three-component vectors, 4-vectors and 4x4 column-major float matrices (element of row r,
// column c at 4c + r, as OpenGL takes them). Results go to the first argument. Angles in degrees.
// Depends on the C++ standard library alone.
#pragma once

void mat_identity(float m[16]);

void vec_add(float out[3], const float a[3], const float b[3]);   // out may alias a or b
void vec_sub(float out[3], const float a[3], const float b[3]);   // out may alias a or b
void vec_scale(float out[3], const float v[3], float s);          // out may alias v
float vec_dot(const float a[3], const float b[3]);
void vec_cross(float out[3], const float a[3], const float b[3]); // out must not alias a or b
float vec_length(const float v[3]);
float vec_length_squared(const float v[3]); // the length, squared after the square root
void vec_normalize(float v[3]);             // a zero vector is left unchanged

void mat_mult(float out[16], const float a[16], const float b[16]); // out = a * b; no aliasing
void mat_multv4(float out[4], const float m[16], const float v[4]); // out must not be v
void mat_multv3(float out[3], const float m[16], const float v[3]); // point, implied w = 1

// Rotation from three angles: Rx(-rot1) * Ry(-rot2) * Rz(rot0), built through a quaternion.
void mat_quatRotate(float m[16], float rot0, float rot1, float rot2);

// Gauss-Jordan inverse; returns 1, or 0 for a singular matrix. out may be in.
int mat_invert(float out[16], const float in[16]);
