// Textures on the real GL, with pictures written to disk by OpenCV.
#include "render/Texture.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <string>
#include <vector>

namespace {

struct Texture : testing::Test {
    void SetUp() override { sharedTestWindow(); }
    ScratchDir dir;
};

GLint parameter(GLuint texture, GLenum name)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint levelSize(GLuint texture, GLenum which)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &value);
    return value;
}

// Level 0 as tightly packed RGB bytes, rows first to last.
std::vector<unsigned char> readRGB(const TGLTexture& t)
{
    std::vector<unsigned char> texels(static_cast<size_t>(t.width * t.height * 3));
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    return texels;
}

// A picture whose every byte differs, written as blue-green-red like any file;
// the texel (x, y) is expected as (r, g, b) = (x*40+y, y*50+x+1, 200+x+y) with
// texel (0, 0) pure blue.
cv::Mat testPicture(int width, int height)
{
    cv::Mat image(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>(200 + x + y), static_cast<uchar>(y * 50 + x + 1),
                                                  static_cast<uchar>(x * 40 + y));
    image.at<cv::Vec3b>(0, 0) = cv::Vec3b(255, 0, 0);
    return image;
}

std::vector<unsigned char> expectedRGB(const cv::Mat& picture)
{
    std::vector<unsigned char> rgb;
    for (int y = 0; y < picture.rows; ++y)
        for (int x = 0; x < picture.cols; ++x) {
            const cv::Vec3b bgr = picture.at<cv::Vec3b>(y, x);
            rgb.insert(rgb.end(), {bgr[2], bgr[1], bgr[0]});
        }
    return rgb;
}

TEST_F(Texture, EnsureSizeCreatesKeepsAndRecreates)
{
    TGLTexture strip;
    strip.EnsureSize(100, 1, &TGLTexture::CreateFloatStrip);
    ASSERT_TRUE(glIsTexture(strip.texture));
    EXPECT_EQ(strip.width, 100);
    EXPECT_EQ(strip.height, 1);
    EXPECT_EQ(strip.internalFormat, GL_R32F);
    EXPECT_EQ(strip.format, GL_RED);
    EXPECT_EQ(strip.type, GL_FLOAT);

    const GLuint first = strip.texture;
    std::vector<float> values(100, 0.25f);
    strip.Upload(values.data());
    strip.EnsureSize(100, 1, &TGLTexture::CreateFloatStrip);
    EXPECT_EQ(strip.texture, first);
    EXPECT_EQ(levelSize(first, GL_TEXTURE_WIDTH), 100);  // storage kept too

    TGLTexture picture;
    picture.CreateRGB(4, 4);
    const GLuint old = picture.texture;
    picture.EnsureSize(100, 1, &TGLTexture::CreateFloatStrip);
    EXPECT_EQ(picture.width, 100);
    EXPECT_EQ(picture.internalFormat, GL_R32F);
    EXPECT_TRUE(glIsTexture(picture.texture));
    // The old name was given back (the GL may hand the same number out again).
    if (picture.texture != old) {
        EXPECT_FALSE(glIsTexture(old));
    }
}

TEST_F(Texture, FloatStripIsFilteredLinearlyFromItsFirstUpload)
{
    TGLTexture strip;
    strip.CreateFloatStrip();
    EXPECT_EQ(parameter(strip.texture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(strip.texture, GL_TEXTURE_MAG_FILTER), GL_NEAREST);

    std::vector<float> values(100);
    for (int i = 0; i < 100; ++i) values[static_cast<size_t>(i)] = static_cast<float>(i) * 0.5f;
    strip.Upload(values.data());
    EXPECT_EQ(parameter(strip.texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(strip.texture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(strip.texture, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(strip.texture, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);

    std::vector<float> back(100, -1.0f);
    glBindTexture(GL_TEXTURE_2D, strip.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, back.data());
    EXPECT_EQ(back, values);
}

TEST_F(Texture, PictureIsRedGreenBlueWithTheTopRowFirst)
{
    const cv::Mat picture = testPicture(4, 2);
    const std::string path = dir.path("blue_first.png");
    ASSERT_TRUE(cv::imwrite(path, picture));

    TGLTexture texture;
    EXPECT_EQ(capturedStdout([&] { texture.LoadImage(path); }), "");
    ASSERT_EQ(texture.width, 4);
    ASSERT_EQ(texture.height, 2);
    const std::vector<unsigned char> texels = readRGB(texture);
    EXPECT_EQ(texels[0], 0);
    EXPECT_EQ(texels[1], 0);
    EXPECT_EQ(texels[2], 255);
    EXPECT_EQ(texels, expectedRGB(picture));
    EXPECT_EQ(parameter(texture.texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
}

TEST_F(Texture, OddWidthsUploadExactlyAndKeepTheUnpackAlignment)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    // 5 x 3: rows of 15 bytes, not a multiple of 4.
    const cv::Mat picture = testPicture(5, 3);
    const std::string path = dir.path("odd.png");
    ASSERT_TRUE(cv::imwrite(path, picture));

    TGLTexture texture;
    texture.LoadImage(path);
    ASSERT_EQ(texture.width, 5);
    ASSERT_EQ(texture.height, 3);
    EXPECT_EQ(levelSize(texture.texture, GL_TEXTURE_WIDTH), 5);
    EXPECT_EQ(readRGB(texture), expectedRGB(picture));

    // Upload of a packed buffer of another odd size, straight from the caller.
    TGLTexture direct;
    direct.CreateRGB(3, 3);
    const cv::Mat small = testPicture(3, 3);
    std::vector<unsigned char> rgb = expectedRGB(small);
    direct.Upload(rgb.data());
    EXPECT_EQ(readRGB(direct), rgb);

    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST_F(Texture, ReloadAtAnotherSizeRecreatesAndGreyOrAlphaBecomesRGB)
{
    const std::string grey = dir.path("grey.png");
    cv::Mat greyPicture(2, 3, CV_8UC1, cv::Scalar(77));
    ASSERT_TRUE(cv::imwrite(grey, greyPicture));
    const std::string alpha = dir.path("alpha.png");
    ASSERT_TRUE(cv::imwrite(alpha, cv::Mat(1, 2, CV_8UC4, cv::Scalar(10, 20, 30, 0))));

    TGLTexture texture;
    texture.LoadImage(grey);
    EXPECT_EQ(texture.width, 3);
    EXPECT_EQ(texture.height, 2);
    EXPECT_EQ(readRGB(texture), std::vector<unsigned char>(18, 77));

    texture.LoadImage(alpha);
    EXPECT_EQ(texture.width, 2);
    EXPECT_EQ(texture.height, 1);
    EXPECT_EQ(readRGB(texture), (std::vector<unsigned char>{30, 20, 10, 30, 20, 10}));
}

TEST_F(Texture, UnreadablePictureIsNamedAndBecomesBlack)
{
    const std::string missing = dir.path("missing.png");
    const std::string garbage = dir.write("garbage.png", "this is not a picture");
    for (const std::string& path : {missing, garbage, dir.path("")}) {
        TGLTexture texture;
        const std::string output = capturedStdout([&] { texture.LoadImage(path); });
        EXPECT_EQ(output, "TGLTexture::LoadImage() : cannot read the picture " + path + "\n");
        ASSERT_EQ(texture.width, 1);
        ASSERT_EQ(texture.height, 1);
        EXPECT_TRUE(glIsTexture(texture.texture));
        EXPECT_EQ(readRGB(texture), (std::vector<unsigned char>{0, 0, 0}));
    }
}

}  // namespace
