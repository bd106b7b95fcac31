//////////////////////////////////////////////////////////////////////////////////
// This is a headerfile which adds seventeen.bin to your Visual C++ Project.
//////////////////////////////////////////////////////////////////////////////////

const unsigned char seventeenfile[] = 
{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 
 0x10
};

const DWORD seventeenlength = 17;

class CSeventeenFile
{
public:
	BOOL ExtractFile(LPCTSTR filename);
};

BOOL CSeventeenFile::ExtractFile(LPCTSTR filename)
{
	CFile tFile;
	if(!tFile.Open(filename,CFile::modeWrite|CFile::modeCreate))return false;
	tFile.Write(seventeenfile,seventeenlength*sizeof(char));
	tFile.Close();
	return true;
}