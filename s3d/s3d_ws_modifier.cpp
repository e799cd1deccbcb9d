#include "s3d/s3d_ws_modifier.h"

bool WSModifier::isAllowedType(int type) {
  switch (type) {
    case S3DModifier::kBend:
    case S3DModifier::kStretch:
    case S3DModifier::kNoise:
    case S3DModifier::kTwist:
    case S3DModifier::kTaper:
    case S3DModifier::kSkew:
    case S3DModifier::kSpaceWarp:
      return true;
    default:
      return false;
  }
}

void WSModifier::animate(float time) {
  S3DNode::animate(time);
  if (m_pModifier) m_pModifier->animate(time);
}
