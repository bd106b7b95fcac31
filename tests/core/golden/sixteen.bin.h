//////////////////////////////////////////////////////////////////////////////////
// This is a headerfile which adds sixteen.bin to your Visual C++ Project.
//////////////////////////////////////////////////////////////////////////////////

const unsigned char sixteenfile[] = 
{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F
 
};

const DWORD sixteenlength = 16;

class CSixteenFile
{
public:
	BOOL ExtractFile(LPCTSTR filename);
};

BOOL CSixteenFile::ExtractFile(LPCTSTR filename)
{
	CFile tFile;
	if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;
	tFile.Write(sixteenfile,sixteenlength*sizeof(char));
	tFile.Close();
	return true;
}